#include "TiffDirectory.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

struct Entry {
    std::uint16_t tag;
    std::uint16_t type; // 3 SHORT, 4 LONG, 5 RATIONAL
    std::vector<std::uint32_t> values; // a RATIONAL's as numerator, denominator
};

// A TIFF header and one directory per entry list, chained; values that do
// not fit an entry lie after the directory.
std::string Tiff(bool bigEndian, const std::vector<std::vector<Entry>>& directories) {
    std::string out;
    const auto put = [&](std::string& to, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (bigEndian ? size - 1 - i : i);
            to += static_cast<char>((value >> shift) & 0xff);
        }
    };
    out += bigEndian ? "MM" : "II";
    put(out, 42, 2);
    put(out, 8, 4);
    for (std::size_t d = 0; d < directories.size(); ++d) {
        const auto& entries = directories[d];
        const std::size_t start = out.size();
        std::size_t extraAt = start + 2 + entries.size() * 12 + 4;
        std::string extra;
        put(out, static_cast<std::uint32_t>(entries.size()), 2);
        for (const Entry& e : entries) {
            put(out, e.tag, 2);
            put(out, e.type, 2);
            const int size = e.type == 3 ? 2 : 4;
            put(out, static_cast<std::uint32_t>(e.type == 5 ? e.values.size() / 2 : e.values.size()), 4);
            std::string values;
            for (const std::uint32_t v : e.values) {
                put(values, v, size);
            }
            if (values.size() <= 4) {
                values.resize(4, '\0');
                out += values;
            } else {
                put(out, static_cast<std::uint32_t>(extraAt + extra.size()), 4);
                extra += values;
            }
        }
        put(out, d + 1 < directories.size() ? static_cast<std::uint32_t>(extraAt + extra.size()) : 0, 4);
        out += extra;
    }
    return out;
}

TEST(TiffDirectory, ReadsFieldsInEitherByteOrder) {
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "MM" : "II");
        const std::optional<TiffDirectory> first = ReadFirstTiffDirectory(Tiff(bigEndian, {{{kImageWidth, 3, {300}},
                                                   {kStripOffsets, 4, {10, 70000, 3}},
                                                   {kXResolution, 5, {300, 1}},
                                                   {kYResolution, 5, {1200, 10}},
                                                   {kResolutionUnit, 3, {3}},
                                                   {kOrientation, 3, {6}}}}));
        ASSERT_TRUE(first.has_value());
        EXPECT_EQ(first->Value(kImageWidth, 0), 300u);
        EXPECT_EQ(first->Values(kStripOffsets), (std::vector<std::uint32_t>{10, 70000, 3}));
        EXPECT_EQ(first->Value(kImageLength, 7), 7u);
        EXPECT_DOUBLE_EQ(first->Rational(kYResolution), 120.0);
        // Dots per centimetre to dots per inch.
        ASSERT_TRUE(first->DotsPerInch().has_value());
        EXPECT_NEAR(first->DotsPerInch()->first, 762.0, 1e-9);
        EXPECT_NEAR(first->DotsPerInch()->second, 304.8, 1e-9);
        EXPECT_EQ(first->Orientation(), 6);
        const std::optional<TiffDirectory> plain =
            ReadFirstTiffDirectory(Tiff(bigEndian, {{{kImageWidth, 4, {5}}, {kOrientation, 3, {9}}}}));
        ASSERT_TRUE(plain.has_value());
        EXPECT_EQ(plain->Value(kImageWidth, 0), 5u);
        EXPECT_FALSE(plain->DotsPerInch().has_value());
        EXPECT_EQ(plain->Orientation(), 1); // 9 is no orientation
    }
}

// Data embedded in another file (a JPEG's EXIF) only adds facts: damaged, it adds none.
TEST(TiffDirectory, GivesNoneForDamagedData) {
    std::string bigTiff = Tiff(false, {{{kImageWidth, 3, {1}}}});
    bigTiff[2] = 43;
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"BigTIFF", bigTiff},
        {"no byte order", std::string("XX*\0\x08\0\0\0", 8)},
        {"directory beyond the end", Tiff(false, {{{kImageWidth, 3, {1}}}}).substr(0, 12)},
        {"first directory beyond the end", std::string("II*\0\xff\0\0\0", 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ReadFirstTiffDirectory(c.file).has_value());
    }
}

} // namespace
} // namespace Document
