#include "TrueTypeTextFont.h"

#include "FontFiles.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// Advances in thousandths of the size, rounded (fontTools reads 'i' as 569
// and 'W' as 2025 of 2048 units); the shaper draws each glyph with the same
// advance the PDF's widths give it.
TEST(TrueTypeTextFont, AdvancesAgreeWithTheShaper)
{
    const TrueTypeFont sans(ReadFontFile(SansFontPath));
    const TrueTypeFont mono(ReadFontFile(MonoFontPath));
    const TrueTypeTextFont sansText(sans);
    const TrueTypeTextFont monoText(mono);
    const struct {
        const TrueTypeTextFont* font;
        char32_t character;
        int advance;
    } rows[] = {
        {&sansText, U'i', 278}, {&sansText, U'W', 989}, {&sansText, U'A', 684}, {&monoText, U'i', 602},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<char>(row.character));
        const uint16_t glyph = row.font->Glyph(row.character);
        ASSERT_NE(glyph, 0);
        EXPECT_EQ(row.font->Advance(glyph), row.advance);
        const std::u32string text(1, row.character);
        const auto shaped = row.font->Shape(text, 0, 1, false);
        ASSERT_EQ(shaped.size(), 1u);
        EXPECT_EQ(shaped[0].glyph, glyph);
        EXPECT_EQ(shaped[0].advance, row.advance);
    }
    EXPECT_EQ(sansText.Glyph(U'\u4E2D'), 0) << "DejaVu has no Han";
}

} // namespace
} // namespace Document
