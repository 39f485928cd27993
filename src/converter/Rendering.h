#pragma once
// A print job made into the bytes of a PDF: a text laid out on pages of the
// user's paper and drawn with the embedded font, a JPEG or PNG on a page of
// its own, a PDF as it is.
#include "DocumentInfo.h"
#include "Spool.h"

#include <string>

namespace Converter {

struct RenderedDocument {
    std::string pdf;
    size_t replacedCharacters = 0;
    std::wstring summary; // what was made, for the log: "text, 12 pages"
};

// Throws DocumentError when the document is refused: no kind the converter
// takes, damaged, or beyond a limit.
RenderedDocument RenderDocument(const Job& job);

// The document information of a job: its file name as title, now as the date.
Document::DocumentInfo JobInfo(const Job& job);

} // namespace Converter
