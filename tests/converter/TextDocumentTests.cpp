#include "TextDocument.h"

#include "AnsiText.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

TEST(TextDocument, Utf8WithOrWithoutTheMark)
{
    const struct {
        std::string bytes;
        std::u32string text;
    } cases[] = {
        {"\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e", U"Gr\u00FC\u00DFe"}, // the mark is dropped
        {"\xEF\xBB\xBF", U""},
        {"\xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80", U"\u20AC \u4E2D \U0001F600"}, // known by its sequences
        {"a\tb\r\n", U"a\tb\r\n"},
        {"", U""},
        {"\xEF\xBB\xBF" "a\xFF" "b", U"a\uFFFDb"}, // after the mark, a bad byte stays visible
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(DecodeDocument(cases[i].bytes), cases[i].text) << "case " << i;
    }
}

TEST(TextDocument, MalformedUtf8IsTakenAsAnsi)
{
    const std::string cases[] = {
        "caf\xE9",          // a lone Latin-1 byte
        "\xC3",             // a sequence cut short at the end
        "\xC0\xAF",         // overlong form of '/'
        "\xED\xA0\x80",     // an encoded surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xE2\x82" "A",     // a lead byte followed by no continuation
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_FALSE(IsValidUtf8(cases[i])) << "case " << i;
        std::wstring ansi = Global::FromAnsi(cases[i]);
        EXPECT_EQ(DecodeDocument(cases[i]), std::u32string(ansi.begin(), ansi.end())) << "case " << i;
    }
}

} // namespace
} // namespace Converter
