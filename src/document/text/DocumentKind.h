#pragma once
// What kind of document a file is, decided from its bytes alone: the magic
// numbers of the formats the converter takes (PDF, JPEG, PNG, TIFF, GIF, BMP,
// the netpbm formats and XBM), a UTF-16
// byte-order mark, or plain text, which never holds a NUL byte or the
// control bytes of binary data. Everything else is refused with a reason a
// user understands, naming the format where its signature is known.
#include "EncodingDetector.h"
#include "TextDecoding.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Document {

// PostScript is never sniffed: it is what the printer's port delivers, and
// the print watcher says so in the job.
enum class DocumentKind { Text, Utf16Text, Jpeg, Png, Tiff, Gif, Bmp, Pdf, PostScript, Netpbm, Xbm, Refused };

struct DocumentSniff {
    DocumentKind kind = DocumentKind::Refused;
    std::wstring reason; // why, when the kind is Refused; empty otherwise
};

DocumentSniff SniffDocumentKind(std::string_view bytes);

// The same verdict for a document read in pieces, whatever its size: its
// head (the first kHeadBytes) decides the kind, and each later byte of a
// text is checked as SniffDocumentKind checks the whole. The encoding of a
// text is decided on the way, so that nothing reads it twice.
class DocumentSniffer {
public:
    static constexpr std::size_t kHeadBytes = 1u << 20;

    void Add(std::string_view bytes);
    // The verdict on the bytes so far: the head's once it is complete, or
    // a later byte's refusal.
    const DocumentSniff& Verdict() const { return sniff_; }
    bool HeadDecided() const { return decided_; }
    // The verdict on the whole document once it has been added.
    const DocumentSniff& Finish();
    // For a text once finished: the encoding its bytes are read in, and
    // how it was found (EncodingDetector).
    TextEncoding Encoding() const { return detected_.encoding; }
    const DetectedEncoding& Detected() const { return detected_; }

private:
    void Decide();
    void Scan(std::string_view bytes);

    std::string head_;
    bool decided_ = false;
    DocumentSniff sniff_;
    std::uint64_t offset_ = 0; // of the next byte to scan
    int oddByte_ = -1;         // the first byte of a UTF-16 unit a piece cut
    EncodingDetector detector_;
    DetectedEncoding detected_;
};

} // namespace Document
