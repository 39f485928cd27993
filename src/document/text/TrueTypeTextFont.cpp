#include "TrueTypeTextFont.h"

#include "FontSubset.h"

namespace Document {

uint16_t TrueTypeTextFont::Glyph(char32_t codePoint) const
{
    return font_.GlyphFor(codePoint);
}

int TrueTypeTextFont::Advance(uint16_t glyph) const
{
    int unitsPerEm = font_.UnitsPerEm();
    return unitsPerEm <= 0 ? 0 : (font_.AdvanceWidth(glyph) * 1000 + unitsPerEm / 2) / unitsPerEm;
}

std::vector<ShapedGlyph> TrueTypeTextFont::Shape(std::u32string_view text, size_t start, size_t length,
                                                 bool rightToLeft) const
{
    return shaper_.Shape(text, start, length, rightToLeft);
}

FontSubsetFacts TrueTypeTextFont::Subset(const std::map<uint16_t, std::u32string>& usedGlyphs, const GlyphWidths& widths,
                                         const GlyphVariants& variants) const
{
    return BuildFontSubset(font_, usedGlyphs, widths, variants);
}

} // namespace Document
