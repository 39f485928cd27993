#include "Shaper.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace Document {
namespace {

// A font of fonts-noto-core, whose OpenType tables do the joining and the
// reordering; empty when the package is not installed.
std::string NotoFont(const char* name)
{
    std::ifstream in(std::string(NOTO_FONTS_DIR) + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint16_t AloneGlyph(const FontShaper& shaper, char32_t c, bool rightToLeft)
{
    const std::u32string text(1, c);
    const auto glyphs = shaper.Shape(text, 0, 1, rightToLeft);
    return glyphs.size() == 1 ? glyphs[0].glyph : 0;
}

// "bayt" (house): beh, yeh, teh join as initial, medial and final forms,
// drawn from the left, their clusters counted in the whole text.
TEST(Shaper, ArabicWordJoins)
{
    const std::string file = NotoFont("NotoSansArabic-Regular.ttf");
    if (file.empty()) {
        GTEST_SKIP() << "fonts-noto-core's NotoSansArabic-Regular.ttf is not installed";
    }
    const FontShaper shaper(file);
    const std::u32string text = U"x \u0628\u064A\u062A";
    const auto glyphs = shaper.Shape(text, 2, 3, true);
    ASSERT_EQ(glyphs.size(), 3u);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        SCOPED_TRACE(i);
        const char32_t letter = text[glyphs[i].cluster];
        EXPECT_EQ(glyphs[i].cluster, 4 - i) << "the last letter is drawn leftmost";
        EXPECT_NE(glyphs[i].glyph, 0) << "no glyph";
        EXPECT_NE(glyphs[i].glyph, AloneGlyph(shaper, letter, true)) << "drawn in its isolated form";
        EXPECT_GT(glyphs[i].advance, 0);
    }
}

// Devanagari ki: the vowel sign i is written after the consonant but drawn
// before it; both glyphs stand for the cluster that starts at the consonant.
TEST(Shaper, DevanagariVowelSignReordered)
{
    const std::string file = NotoFont("NotoSansDevanagari-Regular.ttf");
    if (file.empty()) {
        GTEST_SKIP() << "fonts-noto-core's NotoSansDevanagari-Regular.ttf is not installed";
    }
    const FontShaper shaper(file);
    const std::u32string text = U"a \u0915\u093F";
    const auto glyphs = shaper.Shape(text, 2, 2, false);
    ASSERT_EQ(glyphs.size(), 2u);
    const uint16_t ka = AloneGlyph(shaper, U'\u0915', false);
    EXPECT_NE(glyphs[0].glyph, ka) << "the vowel sign is not drawn first";
    EXPECT_EQ(glyphs[1].glyph, ka);
    EXPECT_EQ(glyphs[0].cluster, 2u);
    EXPECT_EQ(glyphs[1].cluster, 2u);
    // A consonant with nukta as the one character Unicode has for it (qa).
    EXPECT_EQ(OneCharacterForms(U"\u0915\u093C\u093F"), U"\u0958\u093F");
}

} // namespace
} // namespace Document
