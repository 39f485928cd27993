#include "PackedSamples.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace Document {
namespace {

// Rows whose last sample ends inside a byte: the samples written one by one
// must give the row as PNG and TIFF store it (padding bits 0, the next row's
// byte untouched), and read back.
TEST(PackedSamples, RowEndsAtEveryDepth)
{
    const struct {
        int bits;
        std::vector<unsigned> samples;
        std::vector<std::uint8_t> row;
    } rows[] = {
        {1, {1, 0, 1, 1, 0, 0, 1, 0, 1}, {0xB2, 0x80}},
        {2, {3, 0, 1, 2, 3}, {0xC6, 0xC0}},
        {4, {0xA, 0xB, 0xC}, {0xAB, 0xC0}},
        {16, {0x1234, 0xFF01}, {0x12, 0x34, 0xFF, 0x01}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bits);
        std::vector<std::uint8_t> bytes(row.row.size() + 1, 0); // one guard byte: the next row
        for (std::size_t i = 0; i < row.samples.size(); ++i) {
            PackedSamples::Write(bytes.data(), i, row.bits, row.samples[i]);
        }
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1), row.row);
        EXPECT_EQ(bytes.back(), 0) << "written past the row's end";
        for (std::size_t i = 0; i < row.samples.size(); ++i) {
            EXPECT_EQ(PackedSamples::Read(row.row.data(), i, row.bits), row.samples[i]) << i;
        }
    }
}

// A TIFF's 12-bit samples straddle bytes.
TEST(PackedSamples, SamplesAcrossBytes)
{
    const std::uint8_t row[] = {0xAB, 0xCD, 0xEF, 0x12, 0x30};
    EXPECT_EQ(PackedSamples::Read(row, 0, 12), 0xABCu);
    EXPECT_EQ(PackedSamples::Read(row, 1, 12), 0xDEFu);
    EXPECT_EQ(PackedSamples::Read(row, 2, 12), 0x123u);
    EXPECT_EQ(PackedSamples::Read(row, 4, 3), 0x6u); // bits 12-14 of 0xCD: 110
}

} // namespace
} // namespace Document
