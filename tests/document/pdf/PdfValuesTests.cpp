// The typed values as PDF text: numbers, escaped strings, text strings and names.
#include "PdfValues.h"

#include <gtest/gtest.h>

#include <string>

namespace Document {
namespace {

TEST(PdfValues, NumbersStringsAndTextStrings)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"", ""},       {"plain", "plain"},     {"(", "\\("},       {")(", "\\)\\("},
        {"\\", "\\\\"}, {"a\\)b", "a\\\\\\)b"}, {"\r\n", "\\r\\n"}, {"\xE9\x80", "\xE9\x80"},
    };
    for (size_t i = 0; i < std::size(escapes); ++i) {
        std::string escaped = "kept";
        AppendEscapedPdfString(escaped, escapes[i].first);
        EXPECT_EQ(escaped, "kept" + escapes[i].second) << "escape " << i;
    }
    const std::pair<double, std::string> numbers[] = {
        {0, "0"}, {12, "12"}, {-3.5, "-3.5"}, {595.276, "595.28"}, {0.001, "0"}, {-0.001, "0"}, {1e9, "1000000000"},
    };
    for (size_t i = 0; i < std::size(numbers); ++i) {
        EXPECT_EQ(PdfNumber(numbers[i].first), numbers[i].second) << "number " << i;
    }
    const std::pair<std::u32string, std::string> texts[] = {
        {U"", "()"},
        {U"notes (1).txt", "(notes \\(1\\).txt)"},
        {U"\u0394.txt", "<FEFF0394002E007400780074>"},
        {U"\U0001F600", "<FEFFD83DDE00>"},
        {U"tab\t", "<FEFF0074006100620009>"},
        {std::u32string{U'a', char32_t{0xDC00}, char32_t{0x110000}}, "<FEFF0061FFFDFFFD>"},
    };
    for (size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(PdfTextString(texts[i].first), texts[i].second) << "text " << i;
    }
    EXPECT_EQ(PdfDictionary().MadeName(Pdf::BaseFont, "AB+Font Name#(1)\xE9").Written(),
              "<< /BaseFont /AB+Font#20Name#23#281#29#E9 >>");
}

} // namespace
} // namespace Document
