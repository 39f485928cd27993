#pragma once
// A TrueType font as the text writer uses it: glyphs and advances from the
// font's own tables, shaping by HarfBuzz, the subset from FontSubset.
#include "TextFont.h"
#include "TrueTypeFont.h"

namespace Document {

class TrueTypeTextFont : public TextFont {
public:
    // The font must outlive this object.
    explicit TrueTypeTextFont(const TrueTypeFont& font) : font_(font), shaper_(font.Bytes()) {}

    uint16_t Glyph(char32_t codePoint) const override;
    int Advance(uint16_t glyph) const override;
    std::vector<ShapedGlyph> Shape(std::u32string_view text, size_t start, size_t length,
                                   bool rightToLeft) const override;
    size_t GlyphCount() const override { return font_.GlyphCount(); }
    FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>& usedGlyphs, const GlyphWidths& widths,
                           const GlyphVariants& variants) const override;

private:
    const TrueTypeFont& font_;
    FontShaper shaper_;
};

} // namespace Document
