#include "SystemFonts.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

// The fonts of the machine the tests run on: under Wine, its own and the
// host's (Debian's DejaVu family, which has Greek, Hebrew and some emoji,
// and WenQuanYi Micro Hei, a collection with Chinese, Japanese and Korean).
TEST(SystemFonts, FindsAFontThatHasTheCharacter)
{
    SystemFonts fonts;
    const char32_t found[] = {U'\u03A9', U'\u05D0', U'\u2603', U'\U0001F600', U'\u4E2D', U'\u30C1', U'\uD55C'};
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

} // namespace
} // namespace Converter
