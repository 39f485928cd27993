#include "AnsiText.h"

#include "Error.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace Global;

TEST(AnsiTextTest, EmptyAndRoundTrip)
{
    EXPECT_EQ(ToAnsi(L""), "");
    EXPECT_EQ(FromAnsi(""), L"");
    const std::wstring samples[] = {L"C:\\Program Files\\x y\\file.pdf", L"{a} {b}", L"tab\there"};
    for (const auto& sample : samples) {
        EXPECT_EQ(FromAnsi(ToAnsi(sample)), sample);
    }
}

TEST(AnsiTextTest, CodePageCharactersConvertExactly)
{
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "needs code page 1252";
    }
    EXPECT_EQ(ToAnsi(L"caf\u00e9 \u20ac"), "caf\xe9 \x80");
    EXPECT_EQ(FromAnsi("\xe9\x80"), L"\u00e9\u20ac");
}

TEST(AnsiTextTest, UnrepresentableTextIsALoudError)
{
    // Neither a stand-in "?" nor a best-fit look-alike may come out.
    const std::wstring samples[] = {L"\u4e00", L"a\u0101b", L"\u2200x"};
    for (const auto& sample : samples) {
        EXPECT_FALSE(IsAnsiRepresentable(sample));
        try {
            ToAnsi(sample);
            ADD_FAILURE() << "converted";
        } catch (const Error& error) {
            EXPECT_NE(error.Description().find(sample), std::wstring::npos);
        }
    }
    EXPECT_FALSE(ToAnsiForDisplay(L"a\u4e00b").empty());
}
