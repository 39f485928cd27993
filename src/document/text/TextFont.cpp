#include "TextFont.h"

#include <algorithm>

namespace Document {

std::vector<ShapedGlyph> TextFont::Shape(std::u32string_view text, size_t start, size_t length,
                                         bool rightToLeft) const
{
    std::vector<ShapedGlyph> glyphs;
    for (size_t i = start; i < start + length; ++i) {
        uint16_t glyph = Glyph(text[i]);
        glyphs.push_back({glyph, static_cast<uint32_t>(i), Advance(glyph), 0, 0});
    }
    if (rightToLeft) {
        std::reverse(glyphs.begin(), glyphs.end());
    }
    return glyphs;
}

} // namespace Document
