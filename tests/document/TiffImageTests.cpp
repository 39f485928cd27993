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
// and depth, the faxes and JPEG data passed through, pages, resolution, turn.
TEST(TiffImage, DecodesToTheReferenceSamples) {
    EXPECT_GE(ImageSamples::CheckFormatSamples("tiff", ReadTiffImages), 30);
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
// rows), decodes to the pixels of the same pages stored uncompressed.
TEST(TiffImage, FaxDataGivesThePixelsOfThePages) {
    const std::vector<ImageData> plain = ReadTiffImages(ImageSamples::Read("bilevel.tif"));
    for (const char* name : {"fax-g4.tif", "fax-g4-strips.tif"}) {
        SCOPED_TRACE(name);
        const std::vector<ImageData> pages = ReadTiffImages(ImageSamples::Read(name));
        ASSERT_EQ(pages.size(), plain.size());
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const CcittParameters& fax = *pages[p].ccitt;
            const std::string rows = CcittGroup4::Decode(pages[p].data, fax.columns, fax.rows, L"test");
            const std::vector<std::uint16_t> shown = ImageSamples::ColourSamples(plain[p]);
            ASSERT_EQ(shown.size(), std::size_t(fax.columns) * fax.rows);
            std::size_t differ = 0;
            const std::size_t rowBytes = (fax.columns + 7) / 8;
            for (std::size_t i = 0; i < shown.size(); ++i) {
                const std::size_t x = i % fax.columns;
                const int bit = (rows[i / fax.columns * rowBytes + x / 8] >> (7 - x % 8)) & 1;
                // A black run is a 1 bit: white where 1 bits are white (BlackIs1).
                differ += (fax.blackIs1 ? bit : 1 - bit) != shown[i];
            }
            EXPECT_EQ(differ, 0u) << "page " << p;
        }
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
        {"truncated data", good.substr(0, good.size() - 3), L"is truncated"},
        {"truncated directory", good.substr(0, 40), L"is truncated"},
        {"directory loop", Tiff(Gray8x2(dataAt), 8, std::string(16, 'x')), L"form a loop"},
        {"huge", Tiff({{256, 4, 1, 200000}, {257, 4, 1, 200000}}), L"is too large"},
        {"BigTIFF", "II+" + std::string(1, '\0') + Le32(8), L"BigTIFF"},
        {"old JPEG", Tiff({{256, 3, 1, 8}, {257, 3, 1, 2}, {259, 3, 1, 6}, {273, 4, 1, 8}, {279, 4, 1, 1}}),
         L"old-style JPEG"},
        {"float samples", Tiff({{256, 3, 1, 8}, {257, 3, 1, 2}, {258, 3, 1, 16}, {339, 3, 1, 3}}), L"floating-point"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(Refusal(row.file).find(row.reason), std::wstring::npos) << std::string(Refusal(row.file).begin(), Refusal(row.file).end());
    }
}
