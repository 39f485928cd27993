#include "CharacterWidth.h"

#include <gtest/gtest.h>

#include <utility>

namespace Document {
namespace {

TEST(CharacterWidth, WideZeroAndOne)
{
    const std::pair<char32_t, int> cases[] = {
        {U'a', 1},      {U'\u00E9', 1}, {U'\u03A9', 1}, {U'\u0416', 1}, {U'\u2500', 1}, {U'\u0300', 0},
        {U'\u036F', 0}, {U'\u200D', 0}, {U'\uFE0F', 0}, {U'\u1100', 2}, {U'\u3042', 2}, {U'\u4E2D', 2},
        {U'\uAC00', 2}, {U'\uFF21', 2}, {U'\uFF61', 1}, {U'\U0001F600', 2}, {U'\U00020000', 2}, {U'\U0010FFFF', 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(CharacterWidth(cases[i].first), cases[i].second) << "case " << i;
    }
}

} // namespace
} // namespace Document
