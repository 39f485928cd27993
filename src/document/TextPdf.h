#pragma once
// Pages of text as a PDF: every character drawn with an embedded CID-keyed
// font (a subset of the glyphs used, with a ToUnicode map, so that copying,
// search and text extraction give back the document's characters), each on
// its place of a monospaced grid.
#include "DocumentInfo.h"
#include "PageLayout.h"
#include "Paper.h"
#include "TextFont.h"

#include <functional>
#include <string>
#include <vector>

namespace Document {

// A font that has the character when the main one lacks it; nullptr when
// there is none. The fonts it gives must outlive the writing.
using FallbackFontFinder = std::function<const TextFont*(char32_t codePoint)>;

struct TextPdf {
    std::string bytes;
    // Characters no font could show, drawn as the visible replacement
    // glyph: control characters among them.
    size_t replacedCharacters = 0;
};

TextPdf WriteTextPdf(const std::vector<Page>& pages, PaperSize paper, const PageGeometry& geometry,
                     const TextFont& font, const FallbackFontFinder& fallback, const DocumentInfo& info);

} // namespace Document
