#include "WinAnsiEncoding.h"

#include <array>
#include <cstddef>

namespace Converter {
namespace {

// The characters at 0x80-0x9F; 0 where the encoding leaves a code unused.
constexpr std::array<char32_t, 32> HighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

char EncodeWinAnsi(char32_t codePoint)
{
    if ((codePoint >= 0x20 && codePoint <= 0x7E) || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<char>(codePoint);
    }
    for (std::size_t i = 0; i < HighControlRange.size(); ++i) {
        if (HighControlRange[i] != 0 && HighControlRange[i] == codePoint) {
            return static_cast<char>(0x80 + i);
        }
    }
    return ReplacementCharacter;
}

} // namespace Converter
