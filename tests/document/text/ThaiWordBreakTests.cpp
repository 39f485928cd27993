#include "ThaiWordBreak.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// Between the words of the dictionary, never inside one.
TEST(ThaiWordBreak, BoundariesBetweenWords)
{
    const struct {
        std::u32string thai;
        std::vector<size_t> boundaries;
    } rows[] = {
        {U"สวัสดีครับ", {6}},             // "hello" + polite particle
        {U"ไม่สามารถเปิดไฟล์", {3, 9, 13}}, // "not" "able" "open" "file"
        {U"ครับ", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.boundaries));
        EXPECT_EQ(ThaiWordBoundaries(row.thai), row.boundaries);
    }
    EXPECT_TRUE(IsThaiWordCharacter(U'\u0E01'));
    EXPECT_TRUE(IsThaiWordCharacter(U'\u0E5B'));
    EXPECT_FALSE(IsThaiWordCharacter(U'\u0E5C'));
    EXPECT_FALSE(IsThaiWordCharacter(U' '));
}

} // namespace
} // namespace Document
