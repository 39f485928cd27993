#include "TextFont.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// A font without shaping tables: each character by its own glyph.
class LetterFont : public TextFont {
public:
    uint16_t Glyph(char32_t codePoint) const override { return static_cast<uint16_t>(codePoint - U'a' + 1); }
    int Advance(uint16_t glyph) const override { return 100 * glyph; }
    FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>&, const GlyphWidths&, const GlyphVariants&) const override
    {
        return {};
    }
};

// Left to right as drawn: a right-to-left run turned around, each glyph
// keeping the character it stands for, counted in the whole text. The
// letters a, b, c are glyphs 1, 2, 3, advancing 100, 200, 300.
TEST(TextFont, UnshapedRunsInDrawingOrder)
{
    const LetterFont font;
    const std::u32string text = U"xabc";
    const struct {
        bool rightToLeft;
        std::vector<uint32_t> clusters;
        std::vector<uint16_t> glyphs;
        std::vector<int> advances;
    } rows[] = {{false, {1, 2, 3}, {1, 2, 3}, {100, 200, 300}}, {true, {3, 2, 1}, {3, 2, 1}, {300, 200, 100}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rightToLeft);
        const auto glyphs = font.Shape(text, 1, 3, row.rightToLeft);
        ASSERT_EQ(glyphs.size(), row.clusters.size());
        for (size_t i = 0; i < glyphs.size(); ++i) {
            EXPECT_EQ(glyphs[i].cluster, row.clusters[i]) << i;
            EXPECT_EQ(glyphs[i].glyph, row.glyphs[i]) << i;
            EXPECT_EQ(glyphs[i].advance, row.advances[i]) << i;
        }
    }
}

} // namespace
} // namespace Document
