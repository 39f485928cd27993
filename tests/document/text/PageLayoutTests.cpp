#include "PageLayout.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

TEST(PageLayout, LinesTabsWrappingAndPages)
{
    const struct {
        std::u32string text;
        int columns;
        int lines;
        std::vector<Page> pages;
    } cases[] = {
        {U"", 10, 3, {{}}},
        // Line ends of every kind; a final one adds no line, blank lines stay.
        {U"a\r\nb\nc\rd", 10, 10, {{U"a", U"b", U"c", U"d"}}},
        {U"a\n\n\nb\n", 10, 10, {{U"a", U"", U"", U"b"}}},
        {U"\n", 10, 10, {{U""}}},
        // Wrapping only past the column limit; without a blank, at the limit.
        {U"0123456789\nx", 10, 10, {{U"0123456789", U"x"}}},
        {U"0123456789abcdefghijK", 10, 10, {{U"0123456789", U"abcdefghij", U"K"}}},
        // With blanks, after the last one within the line; the blank stays.
        {U"one two three four", 10, 10, {{U"one two ", U"three four"}}},
        {U"abc defghij", 10, 10, {{U"abc ", U"defghij"}}},
        {U"abcdefghi jklm", 10, 10, {{U"abcdefghi ", U"jklm"}}},
        {U"   abcdefghijk", 10, 10, {{U"   abcdefg", U"hijk"}}}, // leading blanks are no break
        // Other break opportunities than blanks: after a hyphen, between ideographs;
        // none inside a number or before closing punctuation.
        {U"well-known word", 8, 10, {{U"well-", U"known ", U"word"}}},
        // A word is parted after its hyphen, or a Thai phrase between two of
        // its words, only where the last blank would leave the line less
        // than two thirds full.
        {U"version of gdk-pixbuf", 16, 10, {{U"version of ", U"gdk-pixbuf"}}},
        {U"a well-known word", 8, 10, {{U"a well-", U"known ", U"word"}}},
        {U"สวัสดีครับ สวัสดีครับ", 12, 10, {{U"สวัสดีครับ ", U"สวัสดีครับ"}}},
        {U"\u4E2D\u6587\u3002\u4E2D", 5, 10, {{U"\u4E2D", U"\u6587\u3002", U"\u4E2D"}}},
        {U"pay $(12.50) now", 10, 10, {{U"pay ", U"$(12.50) ", U"now"}}},
        // Without an opportunity, at the last boundary of a user-perceived
        // character: a spacing vowel stays with its consonant, a flag whole.
        {U"\u0E01\u0E33\u0E01\u0E33\u0E01\u0E33", 5, 10, {{U"\u0E01\u0E33\u0E01\u0E33", U"\u0E01\u0E33"}}},
        {U"\u0915\u093E\u0915\u093E\u0915\u093E", 3, 10, {{U"\u0915\u093E", U"\u0915\u093E", U"\u0915\u093E"}}},
        {U"ab\U0001F1E9\U0001F1EA", 3, 10, {{U"ab", U"\U0001F1E9\U0001F1EA"}}},
        // Thai, written without blanks, between two of its words ("hello",
        // "cannot open file"), never inside one.
        {U"สวัสดีครับ", 5, 10, {{U"สวัสดี", U"ครับ"}}},
        {U"ไม่สามารถเปิดไฟล์", 10, 10,
         {{U"ไม่สามารถ", U"เปิดไฟล์"}}},
        // Tabs to the next stop of eight; at the margin their blanks wrap.
        {U"\tx\na\tx\n1234567\tx\n12345678\tx\na\t\tx", 80, 10,
         {{U"        x", U"a       x", U"1234567 x", U"12345678        x", U"a               x"}}},
        {U"01234567\tx", 8, 10, {{U"01234567", U"        ", U"x"}}},
        {U"0123\tx", 8, 10, {{U"0123    ", U"x"}}},
        {U"a\tb", 3, 10, {{U"a  ", U"   ", U"  b"}}}, // narrower than a tab stop: found by the fuzzer as a hang
        // Wide characters take two columns, combining marks none.
        {U"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587", 5, 10, {{U"\u4E2D\u6587", U"\u4E2D\u6587", U"\u4E2D\u6587"}}},
        {U"abcd\u4E2D", 5, 10, {{U"abcd", U"\u4E2D"}}},
        {U"abcde\u0301f", 5, 10, {{U"abcde\u0301", U"f"}}},
        // A full page continues on the next, wrapped lines counting; exactly full leaves no blank page.
        {U"1\n2\n3\n", 10, 3, {{U"1", U"2", U"3"}}},
        {U"1\n2\n3\n4", 10, 3, {{U"1", U"2", U"3"}, {U"4"}}},
        {U"0123456789abcdefghijABCDEFGHIJz", 10, 3, {{U"0123456789", U"abcdefghij", U"ABCDEFGHIJ"}, {U"z"}}},
        // Form feeds start a page; in a row they leave blank ones, but not at
        // the end or right after a full page.
        {U"one\ftwo\n\fthree", 10, 10, {{U"one"}, {U"two"}, {U"three"}}},
        {U"a\f\fb\f", 10, 10, {{U"a"}, {}, {U"b"}}},
        {U"1\n2\n3\n\f4", 10, 3, {{U"1", U"2", U"3"}, {U"4"}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        PageGeometry geometry;
        geometry.columns = cases[i].columns;
        geometry.lines = cases[i].lines;
        EXPECT_EQ(LayOutPages(cases[i].text, geometry), cases[i].pages) << "case " << i;
        // Given in two pieces cut anywhere (inside a line, between CR and
        // LF), the text is laid out the same, page by page.
        for (size_t cut = 0; cut <= cases[i].text.size(); ++cut) {
            std::vector<Page> pages;
            PageLayouter layouter(geometry, [&](Page&& page) { pages.push_back(std::move(page)); });
            layouter.Add(std::u32string_view(cases[i].text).substr(0, cut));
            layouter.Add(std::u32string_view(cases[i].text).substr(cut));
            layouter.Finish();
            EXPECT_EQ(pages, cases[i].pages) << "case " << i << " cut at " << cut;
        }
    }
    EXPECT_EQ(PageGeometry().lines, 66);
}

// A line of shaped scripts may be wider as drawn than in cells: here each
// Tamil character is drawn a cell and a half wide. It then breaks earlier by
// the same rules.
TEST(PageLayout, LinesTooWideAsDrawn)
{
    LineFits fits = [](std::u32string_view line) {
        size_t end = line.find_last_not_of(U' ');
        double width = 0;
        for (size_t i = 0; end != std::u32string_view::npos && i <= end; ++i) {
            width += line[i] >= 0x0B80 && line[i] < 0x0C00 ? 1.5 : line[i] == U'\u4E2D' ? 2 : 1;
        }
        return width <= 8;
    };
    const struct {
        std::u32string text;
        Page lines;
    } cases[] = {
        {U"\u0B95\u0B95 \u0B95\u0B95 \u0B95\u0B95", {U"\u0B95\u0B95 \u0B95\u0B95 ", U"\u0B95\u0B95"}}, // fits in cells, not drawn
        {U"\u0B95\u0B95\u0B95\u0B95\u0B95\u0B95", {U"\u0B95\u0B95\u0B95\u0B95\u0B95", U"\u0B95"}}, // no blank: at a cluster
        {U"ab \u0B95\u0B95\u0B95\u0B95 cd ef gh", {U"ab ", U"\u0B95\u0B95\u0B95\u0B95 ", U"cd ef gh"}},
        {U"\u0B95\u0B95\u0B95\u0B95\u0B95\u0B95\u0B95\u0B95\u0B95", {U"\u0B95\u0B95\u0B95\u0B95\u0B95", U"\u0B95\u0B95\u0B95\u0B95"}},
        {U"\u4E2D\u4E2D\u4E2D\u4E2D", {U"\u4E2D\u4E2D\u4E2D\u4E2D"}},
        {U"abcdefgh", {U"abcdefgh"}},
    };
    PageGeometry geometry;
    geometry.columns = 8;
    for (size_t i = 0; i < std::size(cases); ++i) {
        for (size_t cut = 0; cut <= cases[i].text.size(); ++cut) {
            std::vector<Page> pages;
            PageLayouter layouter(geometry, [&](Page&& page) { pages.push_back(std::move(page)); }, fits);
            layouter.Add(std::u32string_view(cases[i].text).substr(0, cut));
            layouter.Add(std::u32string_view(cases[i].text).substr(cut));
            layouter.Finish();
            EXPECT_EQ(pages, std::vector<Page>{cases[i].lines}) << "case " << i << " cut at " << cut;
        }
    }
}
} // namespace
} // namespace Document
