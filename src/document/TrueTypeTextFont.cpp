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

PdfFontData TrueTypeTextFont::Subset(const std::map<uint16_t, std::u32string>& usedGlyphs, const GlyphWidths& widths) const
{
    return BuildPdfFont(font_, usedGlyphs, widths);
}

} // namespace Document
