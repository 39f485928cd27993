#include "Paper.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// Points from the papers' own measures: A4 is 210 x 297 mm, Letter 8.5 x 11 in.
TEST(Paper, SizesInPoints)
{
    constexpr double pointsPerMillimetre = 72 / 25.4;
    const Paper a4 = PaperOf(PaperSize::A4);
    EXPECT_NEAR(a4.width, 210 * pointsPerMillimetre, 0.01);
    EXPECT_NEAR(a4.height, 297 * pointsPerMillimetre, 0.01);
    const Paper letter = PaperOf(PaperSize::Letter);
    EXPECT_DOUBLE_EQ(letter.width, 8.5 * 72);
    EXPECT_DOUBLE_EQ(letter.height, 11 * 72);
}

} // namespace
} // namespace Document
