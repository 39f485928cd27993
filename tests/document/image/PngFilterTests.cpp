#include "PngFilter.h"

#include "DocumentError.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// Two rows of three one-byte pixels, 10 20 30 over 40 60 90, filtered by
// hand with each of PNG's filters (the second row against the first).
TEST(PngFilter, UndoesEachFilterOfKnownRows) {
    const std::string raw("\x0a\x14\x1e\x28\x3c\x5a", 6);
    const struct {
        const char* name;
        std::string filtered;
    } cases[] = {
        {"None", std::string("\0\x0a\x14\x1e\0\x28\x3c\x5a", 8)},
        // left neighbour: 10, 20-10, 30-20; 40, 60-40, 90-60
        {"Sub", std::string("\1\x0a\x0a\x0a\1\x28\x14\x1e", 8)},
        // above: the first row against zeros; 40-10, 60-20, 90-30
        {"Up", std::string("\2\x0a\x14\x1e\2\x1e\x28\x3c", 8)},
        // mean of left and above: 10, 20-5, 30-10; 40-5, 60-(40+20)/2, 90-(60+30)/2
        {"Average", std::string("\3\x0a\x0f\x14\3\x23\x1e\x2d", 8)},
        // Paeth: first row left (10, 10, 10 differences); second: 40-10, 60-40, 90-60
        {"Paeth", std::string("\4\x0a\x0a\x0a\4\x1e\x14\x1e", 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rows = c.filtered;
        PngFilter::Unfilter(rows.data(), 2, 3, 1);
        EXPECT_EQ(rows.substr(1, 3) + rows.substr(5, 3), raw);
    }
}

TEST(PngFilter, FilteredRowsUndoToTheSameBytes) {
    std::string raw;
    for (int i = 0; i < 5 * 24; ++i) {
        raw += static_cast<char>(i * i % 253);
    }
    for (const std::size_t bpp : {1u, 3u, 6u}) {
        SCOPED_TRACE(bpp);
        std::string filtered = PngFilter::Filter(raw, 5, 24, bpp);
        ASSERT_EQ(filtered.size(), 5u * 25);
        PngFilter::Unfilter(filtered.data(), 5, 24, bpp);
        for (std::size_t y = 0; y < 5; ++y) {
            EXPECT_EQ(filtered.substr(y * 25 + 1, 24), raw.substr(y * 24, 24)) << "row " << y;
        }
    }
}

TEST(PngFilter, RefusesAnUnknownFilterType) {
    std::string rows("\5\1\2\3", 4);
    EXPECT_THROW(PngFilter::Unfilter(rows.data(), 1, 3, 1), DocumentError);
}

} // namespace
} // namespace Document
