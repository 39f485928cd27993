#include "SystemFonts.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

// The fonts of the machine the tests run on: under Wine, its own and the
// host's (Debian's DejaVu family, which has Greek, Hebrew and some emoji,
// WenQuanYi Micro Hei, a collection with Chinese, Japanese and Korean, and
// the fonts for the scripts of South and South East Asia that setup installs).
TEST(SystemFonts, FindsAFontThatHasTheCharacter)
{
    SystemFonts fonts;
    const char32_t found[] = {U'\u03A9', U'\u05D0', U'\u2603', U'\U0001F600', U'\u4E2D', U'\u30C1', U'\uD55C',
                             U'\u0E01', U'\u0E81', U'\u1780', U'\u1000', U'\u0915', U'\u0995', U'\u0B95', U'\U0001F680'};
    for (char32_t c : found) {
        SCOPED_TRACE(static_cast<uint32_t>(c));
        const Document::TrueTypeFont* font = fonts.FontFor(c);
        ASSERT_NE(font, nullptr);
        EXPECT_NE(font->GlyphFor(c), 0);
        EXPECT_TRUE(font->EmbeddingAllowed());
        EXPECT_EQ(fonts.FontFor(c), font) << "asked again";
    }
    // A private-use character of plane 16 and values that are no characters.
    const char32_t missing[] = {U'\U0010FFFD', char32_t{0xD800}, char32_t{0x110000}};
    for (char32_t c : missing) {
        SCOPED_TRACE(static_cast<uint32_t>(c));
        EXPECT_EQ(fonts.FontFor(c), nullptr);
    }
}

// The characters of one script are drawn from one font where it has them
// all, so that its words are set and shaped whole.
TEST(SystemFonts, OneFontForTheCharactersOfAScript)
{
    const std::u32string words[] = {
        U"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22",       // Thai
        U"\u0939\u093F\u0928\u094D\u0926\u0940",             // Devanagari
        U"\u1797\u17B6\u179F\u17B6\u1781\u17D2\u1798\u17C2\u179A", // Khmer
    };
    for (const std::u32string& word : words) {
        SystemFonts fonts;
        SCOPED_TRACE(static_cast<uint32_t>(word[0]));
        const Document::TrueTypeFont* first = fonts.FontFor(word[0]);
        ASSERT_NE(first, nullptr);
        for (char32_t c : word) {
            EXPECT_EQ(fonts.FontFor(c), first) << static_cast<uint32_t>(c);
        }
    }
}

} // namespace
} // namespace Converter
