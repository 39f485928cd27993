#include "ConverterLog.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

TEST(ConverterLog, OneLinePerEventAndTheNewestLinesKept)
{
    EXPECT_EQ(FormatLogLine("2026-12-07 10:00:00.000Z", {L"1-0.job", L"C:\\a \"b\".txt", L"refused",
                                                         L"Not a document:\r\nan executable", 3, L""}),
              "2026-12-07 10:00:00.000Z refused job=1-0.job document=\"C:\\a 'b'.txt\" replaced=3 "
              "reason=\"Not a document:  an executable\"\r\n");
    EXPECT_EQ(FormatLogLine("t", {L"", L"\u0394.txt", L"taken", L"", 0, L""}),
              "t taken job=- document=\"\xCE\x94.txt\" replaced=0 reason=\"\"\r\n");
    EXPECT_EQ(FormatLogLine("t", {L"", L"k.txt", L"converted", L"text", 3, L"Khmer 2, control 1"}),
              "t converted job=- document=\"k.txt\" replaced=3 scripts=\"Khmer 2, control 1\" reason=\"text\"\r\n");

    const struct {
        std::string log;
        size_t keep;
        std::string kept;
    } cases[] = {
        {"", 10, ""},
        {"a\r\nb\r\n", 10, "a\r\nb\r\n"},
        {"one\r\ntwo\r\nthree\r\n", 12, "two\r\nthree\r\n"},
        {"one\r\ntwo\r\nthree\r\n", 11, "three\r\n"},
        {"one\r\ntwo\r\nthree\r\n", 7, "three\r\n"},
        {"one\r\ntwo\r\nthree\r\n", 6, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(NewestLines(cases[i].log, cases[i].keep), cases[i].kept) << "case " << i;
    }
}

} // namespace
} // namespace Converter
