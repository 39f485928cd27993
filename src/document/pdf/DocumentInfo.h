#pragma once
// The document information a PDF carries: its title (the document's file
// name), the producer and the creation date.
#include "PdfValues.h"

#include <optional>
#include <string>
#include <string_view>

namespace Document {

// The standard a file is written to. PDF: no claim and no archival parts,
// the file as it was before archival files were written.
enum class PdfStandard { Pdf, PdfA1b, PdfA2b, PdfA2u };

// The names that ask for each, as a user writes them: "PDF/A-1b", "PDF/A-2b",
// "PDF/A-2u", "PDF" (case as written); nullopt for any other.
std::optional<PdfStandard> PdfStandardNamed(std::wstring_view name);
inline constexpr wchar_t PdfStandardNames[] = L"PDF/A-1b, PDF/A-2b, PDF/A-2u, PDF";

struct DocumentInfo {
    std::u32string title;
    std::string creationDate; // as PdfDate gives it; empty: none
    PdfStandard standard = PdfStandard::PdfA2u;
};

// The producer every file names, in its information and its metadata.
inline constexpr char32_t ProducerName[] = U"Ardenfold PDFCreator";

// A PDF date in UTC: "D:YYYYMMDDHHmmSSZ".
std::string PdfDate(int year, int month, int day, int hour, int minute, int second);

// The information dictionary, the producer included; an archival file's is
// last modified when it is made (it is written once).
PdfDictionary InfoDictionary(const DocumentInfo& info);

} // namespace Document
