#include "Lzw.h"

#include "DocumentError.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

std::string Hex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return out;
}

// Streams coded by hand. TIFF: 9-bit codes, most significant bit first.
// GIF with code size 2: clear 4, end 5, 3-bit codes, least significant first.
TEST(Lzw, DecodesKnownStreamsOfBothDialects) {
    const struct {
        const char* name;
        Lzw::Dialect dialect;
        int codeSize;
        std::string data;
        std::size_t limit;
        std::string expected;
    } cases[] = {
        // clear, 'A', 'A', 'B', end
        {"TIFF, literal codes", Lzw::Dialect::Tiff, 8, Hex("801048242808"), 100, "AAB"},
        // clear, 'A', 258 (the code being defined: "AA"), end
        {"TIFF, a code used as it is defined", Lzw::Dialect::Tiff, 8, Hex("8010605010"), 100, "AAA"},
        {"TIFF, stopped at the limit", Lzw::Dialect::Tiff, 8, Hex("8010605010"), 2, "AA"},
        // clear, 1, 6 (being defined: "\1\1"), end
        {"GIF, a code used as it is defined", Lzw::Dialect::Gif, 2, Hex("8C0B"), 100, std::string(3, '\1')},
        {"GIF, data ends without an end code", Lzw::Dialect::Gif, 2, Hex("8C"), 100, std::string(1, '\1')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Lzw::Decode(c.data, c.dialect, c.codeSize, c.limit, L"The test image"), c.expected);
    }
}

TEST(Lzw, RefusesACodeTheTableDoesNotHold) {
    // clear, 'A', 300, end: 300 is beyond the next code (258).
    EXPECT_THROW(Lzw::Decode(Hex("8010659010"), Lzw::Dialect::Tiff, 8, 100, L"The test image"), DocumentError);
}

} // namespace
} // namespace Document
