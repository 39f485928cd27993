#pragma once
// What the PDF writer asks of a font that draws text: the glyph for a
// character, the glyph's advance, and the font's subset for the glyphs a
// document used, ready to be written as a CID-keyed font.
#include "PdfFontData.h"

#include <cstdint>
#include <map>
#include <string>

namespace Document {

class TextFont {
public:
    virtual ~TextFont() = default;
    // The glyph id, 0 when the font has no glyph for the character.
    virtual uint16_t Glyph(char32_t codePoint) const = 0;
    // The glyph's advance in thousandths of the font size.
    virtual int Advance(uint16_t glyph) const = 0;
    // The subset with these glyphs (glyph id -> the text it shows), each
    // advancing by its width.
    virtual PdfFontData Subset(const std::map<uint16_t, std::u32string>& usedGlyphs, const GlyphWidths& widths) const = 0;
};

} // namespace Document
