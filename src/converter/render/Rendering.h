#pragma once
// A print job made into the bytes of a PDF: a text laid out on pages of the
// user's paper and drawn with the embedded font, read and written a page at
// a time; each image of a JPEG, PNG, TIFF, GIF or BMP file on a page of its
// own; a PDF as it is once checked, or repaired.
#include "DocumentInfo.h"
#include "JobDocument.h"
#include "Paper.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace Converter {

class DocumentFonts;

struct RenderedDocument {
    std::string pdf;
    size_t replacedCharacters = 0;
    // The characters that no font has, by script: "Khmer 12, control 1".
    std::wstring replacedByScript;
    std::wstring summary; // what was made, for the log: "text in UTF-8, 12 pages"
};

// A job held whole on the given paper, dated now (UTC); a text is drawn
// with the fonts. Throws DocumentError when the document is refused:
// damaged, or beyond a limit.
RenderedDocument RenderDocument(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                                DocumentFonts& fonts);

// Told after each page: the pages written so far.
using Progress = std::function<void(size_t pages)>;

// A text job, read from its file a piece at a time, drawn with the fonts;
// the PDF goes to the sink as it is written (the result's pdf stays
// empty). Throws DocumentError beyond the page limit, Global::Error when
// the job cannot be read.
RenderedDocument RenderTextJob(const StoredJob& job, Document::PaperSize paper,
                               const SYSTEMTIME& now, DocumentFonts& fonts,
                               const std::function<void(std::string_view)>& sink, const Progress& progress);

// The document information of a job: its file name as title, now as the
// date, the standard that ARDENFOLD_PDF_STANDARD asks for.
Document::DocumentInfo JobInfo(const std::wstring& documentName, const SYSTEMTIME& now);

// The standard ARDENFOLD_PDF_STANDARD asks for, PDF/A-2u when it is not set.
// Throws a Failure (BadArguments) for a value that names no standard, with
// the list of those that do, and for PDF/A-1b, which is not written.
Document::PdfStandard RequestedStandard();

// A PDF and a print job are passed on as they come, never made archival:
// asked for an archival standard in so many words, the run refuses them
// (DocumentRefused), naming `what`, rather than hand over a file that is not
// what was asked for. Unasked, they pass.
void RefuseStandardNotMet(const std::wstring& what);

} // namespace Converter
