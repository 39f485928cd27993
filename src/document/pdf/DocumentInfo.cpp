#include "DocumentInfo.h"

#include <cstdio>

namespace Document {

std::string PdfDate(int year, int month, int day, int hour, int minute, int second)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "D:%04d%02d%02d%02d%02d%02dZ", year, month, day, hour, minute, second);
    return buffer;
}

PdfDictionary InfoDictionary(const DocumentInfo& info)
{
    PdfDictionary dictionary;
    if (!info.title.empty()) {
        dictionary.Text(Pdf::Title, info.title);
    }
    dictionary.Text(Pdf::Producer, ProducerName);
    if (!info.creationDate.empty()) {
        dictionary.Bytes(Pdf::CreationDate, info.creationDate).Bytes(Pdf::ModDate, info.creationDate);
    }
    return dictionary;
}

} // namespace Document
