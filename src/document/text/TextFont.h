#pragma once
// What the PDF writer asks of a font that draws text: the glyph for a
// character, the glyph's advance, a run of text shaped into glyphs, and the
// font's subset for the glyphs a document used, ready to be written as a
// CID-keyed font.
#include "FontSubsetFacts.h"
#include "Shaper.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

class TextFont {
public:
    virtual ~TextFont() = default;
    // The glyph id, 0 when the font has no glyph for the character.
    virtual uint16_t Glyph(char32_t codePoint) const = 0;
    // The glyph's advance in thousandths of the font size.
    virtual int Advance(uint16_t glyph) const = 0;
    // The characters [start, start + length) of text as glyphs, left to
    // right (see FontShaper::Shape). A font without shaping tables draws
    // each character by its own glyph and advance.
    virtual std::vector<ShapedGlyph> Shape(std::u32string_view text, size_t start, size_t length,
                                           bool rightToLeft) const;
    // How many glyphs the font has: a variant takes an id after them. The
    // default leaves no id free, so that a font without a file of its own
    // draws no variants.
    virtual size_t GlyphCount() const { return 0xFFFF; }
    // The subset with these glyphs (glyph id -> the text it shows), each
    // advancing by its width, and the variants after the font's glyphs.
    virtual FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>& usedGlyphs, const GlyphWidths& widths,
                                   const GlyphVariants& variants) const = 0;
};

// A font that has the character when the main one lacks it; nullptr when
// there is none. The fonts it gives must outlive the writing.
using FallbackFontFinder = std::function<const TextFont*(char32_t codePoint)>;

} // namespace Document
