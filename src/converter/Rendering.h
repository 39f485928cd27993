#pragma once
// A print job made into the bytes of a PDF: a text laid out on pages of the
// user's paper and drawn with the embedded font, each image of a JPEG, PNG,
// TIFF, GIF or BMP file on a page of its own, a PDF as it is once checked, or
// repaired.
#include "DocumentInfo.h"
#include "Paper.h"
#include "Spool.h"

#include <windows.h>

#include <string>

namespace Converter {

class DocumentFonts;

struct RenderedDocument {
    std::string pdf;
    size_t replacedCharacters = 0;
    // The characters that no font has, by script: "Khmer 12, control 1".
    std::wstring replacedByScript;
    std::wstring summary; // what was made, for the log: "text in UTF-8, 12 pages"
};

// The job on the given paper, dated now (UTC); text is drawn with the fonts.
// Throws DocumentError when the document is refused: no kind the converter
// takes, damaged, or beyond a limit.
RenderedDocument RenderDocument(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                                DocumentFonts& fonts);

// The document information of a job: its file name as title, now as the date.
Document::DocumentInfo JobInfo(const Job& job, const SYSTEMTIME& now);

} // namespace Converter
