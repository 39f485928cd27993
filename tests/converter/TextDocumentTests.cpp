#include "TextDocument.h"

#include "AnsiText.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

TEST(TextDocument, Utf8WithByteOrderMarkLosesTheMark)
{
    EXPECT_EQ(DecodeDocument("\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e"), U"Gr\u00FC\u00DFe");
    EXPECT_EQ(DecodeDocument("\xEF\xBB\xBF"), U"");
}

TEST(TextDocument, Utf8WithoutMarkIsRecognisedByItsSequences)
{
    EXPECT_EQ(DecodeDocument("\xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80"), U"\u20AC \u4E2D \U0001F600");
}

TEST(TextDocument, PlainAsciiAndEmptyDecodeAsTheyAre)
{
    EXPECT_EQ(DecodeDocument("a\tb\r\n"), U"a\tb\r\n");
    EXPECT_EQ(DecodeDocument(""), U"");
}

TEST(TextDocument, MalformedUtf8IsTakenAsAnsi)
{
    const std::string cases[] = {
        "caf\xE9",            // a lone Latin-1 byte
        "\xC3",               // a sequence cut short at the end
        "\xC0\xAF",           // overlong form of '/'
        "\xED\xA0\x80",       // an encoded surrogate
        "\xF4\x90\x80\x80",   // above U+10FFFF
        "\xE2\x82" "A",       // a lead byte followed by no continuation
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_FALSE(IsValidUtf8(cases[i])) << "case " << i;
        std::wstring ansi = Global::FromAnsi(cases[i]);
        std::u32string decoded = DecodeDocument(cases[i]);
        ASSERT_EQ(decoded.size(), ansi.size()) << "case " << i;
        for (size_t k = 0; k < ansi.size(); ++k) {
            EXPECT_EQ(decoded[k], static_cast<char32_t>(ansi[k])) << "case " << i << " char " << k;
        }
    }
}

TEST(TextDocument, MalformedBytesAfterAByteOrderMarkStayVisible)
{
    EXPECT_EQ(DecodeDocument("\xEF\xBB\xBF" "a\xFF" "b"), U"a\uFFFDb");
}

} // namespace
} // namespace Converter
