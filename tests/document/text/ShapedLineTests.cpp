#include "ShapedLine.h"

#include "PageLayout.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// Each Tamil letter by a glyph a cell and a half wide (900 of a 600-unit
// cell), counting how often it shapes; `unsafe` marks every glyph unsafe
// to break before, as a font that joins every letter to the next would.
class CountingFont : public TextFont {
public:
    explicit CountingFont(bool unsafe) : unsafe_(unsafe) {}
    uint16_t Glyph(char32_t codePoint) const override { return static_cast<uint16_t>((codePoint & 0xFF) + 1); }
    int Advance(uint16_t glyph) const override { return glyph == (U' ' & 0xFF) + 1 ? 600 : 900; }
    std::vector<ShapedGlyph> Shape(std::u32string_view text, size_t start, size_t length, bool rightToLeft) const override
    {
        ++shapings;
        std::vector<ShapedGlyph> glyphs = TextFont::Shape(text, start, length, rightToLeft);
        for (ShapedGlyph& glyph : glyphs) {
            glyph.unsafeToBreak = unsafe_;
        }
        return glyphs;
    }
    FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>&, const GlyphWidths&, const GlyphVariants&) const override
    {
        return {};
    }
    mutable int shapings = 0;

private:
    bool unsafe_;
};

// The layouter measures a line, then the line up to each break it tries;
// the writer then shapes the lines it draws. A run is shaped once, and a
// run a break cuts short is taken from the whole line's where it is safe
// to break there: the lines are those that shaping each anew gives.
TEST(LineShaper, ShapesEachRunOnceForTheLayouterAndTheWriter)
{
    const std::u32string ka = U"\u0B95\u0B95", ca = U"\u0B9A\u0B9A";
    const struct {
        std::u32string text;
        bool unsafe;
        Page lines;
        int shapings;
    } rows[] = {
        // The whole line, then its rest; the cut line is taken from the whole.
        {ka + U" " + ka + U" " + ca, false, {ka + U" " + ka + U" ", ca}, 2},
        // Not safe to break: the cut line is shaped too.
        {ka + U" " + ka + U" " + ca, true, {ka + U" " + ka + U" ", ca}, 3},
        // Too wide in cells, then as drawn: cut from the line, and its rest
        // cut again from itself.
        {ka + ka + U" " + ka + U" " + ca + ca, false, {ka + ka + U" ", ka + U" ", ca + ca}, 3},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        CountingFont font(rows[i].unsafe);
        FontList fonts(font, nullptr);
        PageGeometry geometry;
        geometry.columns = 8;
        LineShaper shaper(fonts, geometry.columns);
        std::vector<Page> pages;
        PageLayouter layouter(geometry, [&](Page&& page) { pages.push_back(std::move(page)); },
                              [&](std::u32string_view line) { return shaper.Fits(line); });
        layouter.Add(rows[i].text);
        layouter.Finish();
        ASSERT_EQ(pages, std::vector<Page>{rows[i].lines});
        for (const std::u32string& line : pages[0]) {
            std::u32string_view text = std::u32string_view(line).substr(0, line.find_last_not_of(U' ') + 1);
            ShapedLine shaped = shaper.Shape(text);
            ASSERT_EQ(shaped.runs.size(), 1u);
            std::vector<ShapedGlyph> anew = font.TextFont::Shape(text, 0, text.size(), false);
            ASSERT_EQ(shaped.runs[0].glyphs.size(), anew.size());
            for (size_t g = 0; g < anew.size(); ++g) {
                EXPECT_EQ(shaped.runs[0].glyphs[g].glyph, anew[g].glyph) << g;
                EXPECT_EQ(shaped.runs[0].glyphs[g].cluster, anew[g].cluster) << g;
            }
        }
        EXPECT_EQ(font.shapings, rows[i].shapings);
    }
}

} // namespace
} // namespace Document
