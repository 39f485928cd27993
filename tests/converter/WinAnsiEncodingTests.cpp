#include "WinAnsiEncoding.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

TEST(WinAnsiEncoding, TypographicMarksTakeTheirSlotsInTheHighControlRange)
{
    struct Case {
        char32_t character;
        unsigned char byte;
    };
    const Case cases[] = {{U'\u20AC', 0x80}, {U'\u201A', 0x82}, {U'\u2026', 0x85}, {U'\u0160', 0x8A},
                          {U'\u017D', 0x8E}, {U'\u2018', 0x91}, {U'\u2014', 0x97}, {U'\u2122', 0x99},
                          {U'\u0178', 0x9F}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(static_cast<unsigned char>(EncodeWinAnsi(cases[i].character)), cases[i].byte) << "case " << i;
    }
}

TEST(WinAnsiEncoding, ControlsAndForeignCharactersBecomeTheReplacement)
{
    // C1 controls share their codes with the marks above but are not them.
    for (char32_t c : {U'\0', U'\x1B', U'\x7F', U'\x80', U'\x81', U'\x9F', U'\u0100', U'\uFFFD', U'\U0001F600'}) {
        EXPECT_EQ(EncodeWinAnsi(c), ReplacementCharacter) << std::hex << static_cast<unsigned>(c);
    }
}

} // namespace
} // namespace Converter
