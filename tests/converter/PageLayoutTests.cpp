#include "PageLayout.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

std::vector<Page> Lay(const std::u32string& text, int columns = 10, int lines = 3)
{
    PageGeometry geometry;
    geometry.columns = columns;
    geometry.lines = lines;
    return LayOutPages(text, geometry);
}

TEST(PageLayout, EmptyDocumentGivesOneEmptyPage)
{
    std::vector<Page> pages = Lay(U"");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].empty());
}

TEST(PageLayout, LineEndsOfEveryKindEndOneLineEach)
{
    std::vector<Page> pages = Lay(U"a\r\nb\nc\rd", 10, 10);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (Page{"a", "b", "c", "d"}));
}

TEST(PageLayout, FinalLineEndAddsNoLineButBlankLinesStay)
{
    EXPECT_EQ(Lay(U"a\n", 10, 10)[0], (Page{"a"}));
    EXPECT_EQ(Lay(U"a\n\n\nb\n", 10, 10)[0], (Page{"a", "", "", "b"}));
    EXPECT_EQ(Lay(U"\n", 10, 10)[0], (Page{""}));
}

TEST(PageLayout, LineWrapsOnlyPastTheColumnLimit)
{
    EXPECT_EQ(Lay(U"0123456789", 10, 10)[0], (Page{"0123456789"}));
    EXPECT_EQ(Lay(U"0123456789\nx", 10, 10)[0], (Page{"0123456789", "x"}));
    EXPECT_EQ(Lay(U"0123456789A", 10, 10)[0], (Page{"0123456789", "A"}));
    EXPECT_EQ(Lay(U"0123456789abcdefghijK", 10, 10)[0], (Page{"0123456789", "abcdefghij", "K"}));
}

TEST(PageLayout, TabsExpandToTheNextStopOfEight)
{
    struct Case {
        std::u32string text;
        std::string line;
    };
    const Case cases[] = {
        {U"\tx", "        x"},
        {U"a\tx", "a       x"},
        {U"1234567\tx", "1234567 x"},
        {U"12345678\tx", "12345678        x"},
        {U"a\t\tx", "a               x"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::vector<Page> pages = Lay(cases[i].text, 80, 10);
        ASSERT_EQ(pages[0].size(), 1u) << "case " << i;
        EXPECT_EQ(pages[0][0], cases[i].line) << "case " << i;
    }
}

TEST(PageLayout, TabAtTheMarginWrapsItsBlanks)
{
    std::vector<Page> pages = Lay(U"01234567\tx", 8, 10);
    EXPECT_EQ(pages[0], (Page{"01234567", "        ", "x"}));
    pages = Lay(U"0123\tx", 8, 10);
    EXPECT_EQ(pages[0], (Page{"0123    ", "x"}));
}

TEST(PageLayout, FullPageContinuesOnTheNext)
{
    std::vector<Page> pages = Lay(U"1\n2\n3\n", 10, 3);
    ASSERT_EQ(pages.size(), 1u) << "exactly full: no blank page after it";
    pages = Lay(U"1\n2\n3\n4", 10, 3);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], (Page{"1", "2", "3"}));
    EXPECT_EQ(pages[1], (Page{"4"}));
}

TEST(PageLayout, WrappedLinesCountTowardsThePage)
{
    std::vector<Page> pages = Lay(U"0123456789abcdefghijABCDEFGHIJz", 10, 3);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1], (Page{"z"}));
}

TEST(PageLayout, FormFeedStartsANewPage)
{
    std::vector<Page> pages = Lay(U"one\ftwo\n\fthree", 10, 10);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], (Page{"one"}));
    EXPECT_EQ(pages[1], (Page{"two"}));
    EXPECT_EQ(pages[2], (Page{"three"}));
}

TEST(PageLayout, FormFeedsInARowLeaveBlankPagesButNotAtTheEnd)
{
    std::vector<Page> pages = Lay(U"a\f\fb\f", 10, 10);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(pages[1].empty());
    EXPECT_EQ(pages[2], (Page{"b"}));
}

TEST(PageLayout, FormFeedAfterAFullPageAddsNoBlankPage)
{
    std::vector<Page> pages = Lay(U"1\n2\n3\n\f4", 10, 3);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1], (Page{"4"}));
}

TEST(PageLayout, UnencodableCharactersAreReplacedOneForOne)
{
    // Greek, CJK, a character beyond the BMP and a control character each
    // take one visible cell; Latin-1 and the euro sign pass as WinAnsi bytes.
    std::vector<Page> pages = Lay(U"\u03A9\u4E2D\U0001F600\x01|\u00E9\u20AC", 80, 10);
    EXPECT_EQ(pages[0], (Page{"????|\xE9\x80"}));
}

} // namespace
} // namespace Converter
