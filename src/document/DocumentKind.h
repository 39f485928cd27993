#pragma once
// What kind of document a file is, decided from its bytes alone: the magic
// numbers of the formats the converter takes (PDF, JPEG, PNG, TIFF, GIF, BMP), a UTF-16
// byte-order mark, or plain text, which never holds a NUL byte or the
// control bytes of binary data. Everything else is refused with a reason a
// user understands, naming the format where its signature is known.
#include <string>
#include <string_view>

namespace Document {

enum class DocumentKind { Text, Utf16Text, Jpeg, Png, Tiff, Gif, Bmp, Pdf, Refused };

struct DocumentSniff {
    DocumentKind kind = DocumentKind::Refused;
    std::wstring reason; // why, when the kind is Refused; empty otherwise
};

DocumentSniff SniffDocumentKind(std::string_view bytes);

} // namespace Document
