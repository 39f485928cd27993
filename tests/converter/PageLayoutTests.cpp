#include "PageLayout.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

TEST(PageLayout, LinesTabsWrappingPagesAndReplacement)
{
    const struct {
        std::u32string text;
        int columns;
        int lines;
        std::vector<Page> pages;
    } cases[] = {
        {U"", 10, 3, {{}}},
        // Line ends of every kind; a final one adds no line, blank lines stay.
        {U"a\r\nb\nc\rd", 10, 10, {{"a", "b", "c", "d"}}},
        {U"a\n\n\nb\n", 10, 10, {{"a", "", "", "b"}}},
        {U"\n", 10, 10, {{""}}},
        // Wrapping only past the column limit.
        {U"0123456789\nx", 10, 10, {{"0123456789", "x"}}},
        {U"0123456789abcdefghijK", 10, 10, {{"0123456789", "abcdefghij", "K"}}},
        // Tabs to the next stop of eight; at the margin their blanks wrap.
        {U"\tx\na\tx\n1234567\tx\n12345678\tx\na\t\tx", 80, 10,
         {{"        x", "a       x", "1234567 x", "12345678        x", "a               x"}}},
        {U"01234567\tx", 8, 10, {{"01234567", "        ", "x"}}},
        {U"0123\tx", 8, 10, {{"0123    ", "x"}}},
        // A full page continues on the next, wrapped lines counting; exactly full leaves no blank page.
        {U"1\n2\n3\n", 10, 3, {{"1", "2", "3"}}},
        {U"1\n2\n3\n4", 10, 3, {{"1", "2", "3"}, {"4"}}},
        {U"0123456789abcdefghijABCDEFGHIJz", 10, 3, {{"0123456789", "abcdefghij", "ABCDEFGHIJ"}, {"z"}}},
        // Form feeds start a page; in a row they leave blank ones, but not at
        // the end or right after a full page.
        {U"one\ftwo\n\fthree", 10, 10, {{"one"}, {"two"}, {"three"}}},
        {U"a\f\fb\f", 10, 10, {{"a"}, {}, {"b"}}},
        {U"1\n2\n3\n\f4", 10, 3, {{"1", "2", "3"}, {"4"}}},
        // What the font cannot show takes one visible cell each: Greek, CJK,
        // beyond the BMP, controls (C1 ones share codes with the typographic
        // marks but are not them); Latin-1 and the marks pass as WinAnsi bytes.
        {U"\u03A9\u4E2D\U0001F600\x01\x1B\x7F\x81\x9F\u0100\uFFFD|\u00E9\u20AC\u201A\u2122\u0178", 80, 10,
         {{"??????????|\xE9\x80\x82\x99\x9F"}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        PageGeometry geometry;
        geometry.columns = cases[i].columns;
        geometry.lines = cases[i].lines;
        EXPECT_EQ(LayOutPages(cases[i].text, geometry), cases[i].pages) << "case " << i;
    }
}

} // namespace
} // namespace Converter
