#include "CcittGroup4.h"
#include "DocumentError.h"
#include "ImageSamples.h"
#include "TiffImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace Document;

namespace {

// A little-endian TIFF of one directory: the header, `entries` (tag, type,
// count, value) and the next directory's offset.
struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
};

std::string Le16(std::uint32_t v) { return {char(v), char(v >> 8)}; }
std::string Le32(std::uint32_t v) { return Le16(v) + Le16(v >> 16); }

std::string Tiff(const std::vector<Entry>& entries, std::uint32_t next = 0, const std::string& tail = "") {
    std::string file = "II*" + std::string(1, '\0') + Le32(8) + Le16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        file += Le16(e.tag) + Le16(e.type) + Le32(e.count) + Le32(e.value);
    }
    return file + Le32(next) + tail;
}

// An 8 x 2 gray image, uncompressed, its 16 bytes right after the directory.
std::vector<Entry> Gray8x2(std::uint32_t dataAt) {
    return {{256, 3, 1, 8}, {257, 3, 1, 2}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
            {273, 4, 1, dataAt}, {278, 3, 1, 2}, {279, 4, 1, 16}};
}

std::wstring Refusal(const std::string& file) {
    try {
        ReadTiffImages(file);
    } catch (const DocumentError& error) {
        return error.Description();
    }
    return L"(taken)";
}

} // namespace

// Every sample of image_samples.py: each compression, layout, colour model
// and depth, classic and BigTIFF, the faxes and JPEG data passed through or,
// in tiles or strips, decoded, pages, resolution, turn.
TEST(TiffImage, DecodesToTheReferenceSamples) {
    EXPECT_GE(ImageSamples::CheckFormatSamples("tiff", ReadTiffImages), 34);
}

TEST(TiffImage, PassesFaxDataThroughAsTheFileHasIt) {
    const std::string file = ImageSamples::Read("fax-g4.tif");
    const std::vector<ImageData> pages = ReadTiffImages(file);
    ASSERT_EQ(pages.size(), 2u);
    for (const ImageData& page : pages) {
        EXPECT_NE(file.find(page.data), std::string::npos);
    }
}

// The Group 4 data, passed through (one strip) or joined (strips of five
// rows), codes the same pixels: coded again as one stream by our coder,
// both give the same bytes.
TEST(TiffImage, FaxStripsJoinToThePixelsOfTheWholePage) {
    const std::vector<ImageData> whole = ReadTiffImages(ImageSamples::Read("fax-g4.tif"));
    const std::vector<ImageData> strips = ReadTiffImages(ImageSamples::Read("fax-g4-strips.tif"));
    ASSERT_EQ(whole.size(), strips.size());
    for (std::size_t p = 0; p < whole.size(); ++p) {
        SCOPED_TRACE(p);
        const CcittParameters& fax = *whole[p].ccitt;
        ASSERT_EQ(strips[p].ccitt->columns, fax.columns);
        ASSERT_EQ(strips[p].ccitt->rows, fax.rows);
        EXPECT_EQ(CcittGroup4::Join({whole[p].data}, {fax.rows}, fax.columns, L"test"), strips[p].data);
    }
}

TEST(TiffImage, RefusesHostileFiles) {
    const std::uint32_t dataAt = 8 + 2 + 8 * 12 + 4;
    const std::string good = Tiff(Gray8x2(dataAt), 0, std::string(16, 'x'));
    ASSERT_EQ(ReadTiffImages(good).size(), 1u);
    const struct {
        const char* name;
        std::string file;
        const wchar_t* reason;
    } rows[] = {
        {"truncated data", good.substr(0, good.size() - 3), L"truncated"},
        {"truncated directory", good.substr(0, 40), L"truncated"},
        {"directory loop, read up to where it loops", Tiff(Gray8x2(dataAt), 8, std::string(16, 'x')), L"(taken)"},
        {"huge", Tiff({{256, 4, 1, 200000}, {257, 4, 1, 200000}, {273, 4, 1, 8}, {279, 4, 1, 1}}), L"is too large"},
        {"BigTIFF, little-endian", std::string("II+\0\x08\0\0\0", 8) + std::string(16, '\0'), L"BigTIFF"},
        {"BigTIFF, big-endian", std::string("MM\0+\0\x08\0\0", 8) + std::string(16, '\0'), L"BigTIFF"},
        {"codec not built", Tiff({{256, 3, 1, 8}, {257, 3, 1, 2}, {259, 3, 1, 34925}, {273, 4, 1, 8}, {279, 4, 1, 1}}),
         L"LZMA (34925)"},
        {"old JPEG", Tiff({{256, 3, 1, 8}, {257, 3, 1, 2}, {259, 3, 1, 6}, {273, 4, 1, 8}, {279, 4, 1, 1}}),
         L"old-style JPEG"},
        {"float samples", Tiff({{256, 3, 1, 8}, {257, 3, 1, 2}, {258, 3, 1, 16}, {273, 4, 1, 8}, {279, 4, 1, 1}, {339, 3, 1, 3}}),
         L"floating-point"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring refusal = Refusal(row.file);
        EXPECT_NE(refusal.find(row.reason), std::wstring::npos) << std::string(refusal.begin(), refusal.end());
    }
}
