#pragma once
// A subset TrueType font as the objects of a CID-keyed font: a Type0 font
// with /Encoding /Identity-H over a CIDFontType2 font with /CIDToGIDMap
// /Identity, so that the content streams show each glyph by its glyph id in
// two bytes, the encoding that every reader maps to text; its font
// descriptor, the font file and the ToUnicode map.
#include "PdfFile.h"
#include "FontSubsetFacts.h"

#include <cstdint>
#include <map>
#include <string>

namespace Document {

// glyphText: each glyph shown and the text it stands for; widths: the same
// glyphs' widths. Returns the Type0 font.
PdfRef WriteFontPdf(PdfFile& file, const FontSubsetFacts& font, const std::map<uint16_t, std::u32string>& glyphText,
                    const GlyphWidths& widths);

} // namespace Document
