#pragma once
// The document information a PDF carries: its title (the document's file
// name), the producer and the creation date.
#include "PdfValues.h"

#include <string>

namespace Document {

struct DocumentInfo {
    std::u32string title;
    std::string creationDate; // as PdfDate gives it; empty: none
};

// The producer every file names, in its information and its metadata.
inline constexpr char32_t ProducerName[] = U"Ardenfold PDFCreator";

// A PDF date in UTC: "D:YYYYMMDDHHmmSSZ".
std::string PdfDate(int year, int month, int day, int hour, int minute, int second);

// The information dictionary, the producer included; the file is written
// once, so it is last modified when it is made.
PdfDictionary InfoDictionary(const DocumentInfo& info);

} // namespace Document
