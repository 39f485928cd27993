#include "BmpImage.h"
#include "DocumentError.h"
#include "ImageSamples.h"

#include <gtest/gtest.h>

using namespace Document;

// 1, 4 and 8-bit palettes, RLE4 and RLE8, 16-bit masks, 24 and 32 bits
// with alpha, bottom-up and top-down.
TEST(BmpImage, DecodesToTheReferenceSamples) {
    const int checked = ImageSamples::CheckFormatSamples(
        "bmp", [](std::string_view file) { return std::vector<ImageData>{ReadBmpImage(file)}; });
    EXPECT_EQ(checked, 9);
}

TEST(BmpImage, RefusesHostileFiles) {
    const std::string good = ImageSamples::Read("rgb24.bmp");
    std::string huge = good;
    huge.replace(18, 8, std::string("\x40\x9c\0\0\x40\x9c\0\0", 8)); // 40,000 x 40,000
    std::string png = good;
    png[30] = 5;
    for (const auto& [name, file, reason] : {std::tuple{"truncated", good.substr(0, good.size() - 10), L"is truncated"},
                                             std::tuple{"huge", huge, L"is too large"},
                                             std::tuple{"PNG inside", png, L"PNG"}}) {
        SCOPED_TRACE(name);
        try {
            ReadBmpImage(file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(reason), std::wstring::npos);
        }
    }
}
