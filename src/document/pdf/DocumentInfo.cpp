#include "DocumentInfo.h"

#include <cstdio>
#include <utility>

namespace Document {

std::string PdfDate(int year, int month, int day, int hour, int minute, int second)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "D:%04d%02d%02d%02d%02d%02dZ", year, month, day, hour, minute, second);
    return buffer;
}

std::optional<PdfStandard> PdfStandardNamed(std::wstring_view name)
{
    constexpr std::pair<std::wstring_view, PdfStandard> Names[] = {
        {L"PDF/A-1b", PdfStandard::PdfA1b}, {L"PDF/A-2b", PdfStandard::PdfA2b},
        {L"PDF/A-2u", PdfStandard::PdfA2u}, {L"PDF", PdfStandard::Pdf}};
    for (const auto& [known, standard] : Names) {
        if (name == known) {
            return standard;
        }
    }
    return std::nullopt;
}

PdfDictionary InfoDictionary(const DocumentInfo& info)
{
    PdfDictionary dictionary;
    if (!info.title.empty()) {
        dictionary.Text(Pdf::Title, info.title);
    }
    dictionary.Text(Pdf::Producer, ProducerName);
    if (!info.creationDate.empty()) {
        dictionary.Bytes(Pdf::CreationDate, info.creationDate);
        if (info.standard != PdfStandard::Pdf) {
            dictionary.Bytes(Pdf::ModDate, info.creationDate);
        }
    }
    return dictionary;
}

} // namespace Document
