#pragma once
// Pages of text as a PDF: every character drawn with an embedded CID-keyed
// font (a subset of the glyphs used, with a ToUnicode map, so that copying,
// search and text extraction give back the document's characters), each on
// its place of a monospaced grid.
#include "DocumentInfo.h"
#include "PageLayout.h"
#include "Paper.h"
#include "PdfFile.h"
#include "TextFont.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

struct TextPdf {
    std::string bytes;
    // Characters no font could show, drawn as the visible replacement
    // glyph: control characters among them.
    size_t replacedCharacters = 0;
};

// Writes the PDF a page at a time: what it holds between pages is the
// file's offsets, the page references and the glyphs used so far, never a
// page's content once it is written.
class TextPdfWriter {
public:
    // The bytes go to the sink as they are written; without one Finish
    // returns them all.
    TextPdfWriter(PaperSize paper, const PageGeometry& geometry, const TextFont& font,
                  const FallbackFontFinder& fallback, const DocumentInfo& info, PdfFile::Sink sink = {});
    ~TextPdfWriter();

    void AddPage(const Page& page);
    // Whether a line of a page, drawn with the glyphs' shaped advances,
    // stays inside the text frame (for PageLayouter's LineFits).
    bool Fits(std::u32string_view line);
    size_t Pages() const;
    // Characters drawn as the replacement glyph so far.
    size_t ReplacedCharacters() const;
    // The fonts, the page tree and the cross-reference stream; a document
    // without pages gets one empty page. Returns what the sink did not take.
    std::string Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The whole PDF of pages held in memory.
TextPdf WriteTextPdf(const std::vector<Page>& pages, PaperSize paper, const PageGeometry& geometry,
                     const TextFont& font, const FallbackFontFinder& fallback, const DocumentInfo& info);

} // namespace Document
