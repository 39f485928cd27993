#include "DocumentError.h"
#include "ImageSamples.h"
#include "NetpbmImage.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Document;

// PBM, PGM (8 and 16 bits) and PPM, plain and raw, by ImageMagick; largest
// samples of 15 and 1000, scaled.
TEST(NetpbmImage, DecodesToTheReferenceSamples) {
    const int checked = ImageSamples::CheckFormatSamples(
        "netpbm", [](std::string_view file) { return std::vector<ImageData>{ReadNetpbmImage(file)}; });
    EXPECT_EQ(checked, 12);
}

TEST(NetpbmImage, RefusesHostileFiles) {
    const std::string raw = ImageSamples::Read("colour.ppm");
    for (const auto& [name, file, reason] : {
             std::tuple{"truncated", raw.substr(0, raw.size() - 10), L"is truncated"},
             std::tuple{"huge", std::string("P6 40000 40000 255\n"), L"is too large"},
             std::tuple{"no pixels", std::string("P5 0 3 255\n"), L""},
             std::tuple{"largest sample 0", std::string("P2 1 1 0\n0\n"), L"outside 1 to 65535"},
             std::tuple{"largest sample too large", std::string("P2 1 1 70000\n0\n"), L"outside 1 to 65535"},
             std::tuple{"a sample past the largest", std::string("P2 2 1 7\n3 8\n"), L"larger than the largest"},
             std::tuple{"a word among the samples", std::string("P2 2 1 7\n3 x\n"), L"is damaged"},
             std::tuple{"a plain bitmap's 2", std::string("P1 2 1\n12\n"), L"other than 0 and 1"},
             std::tuple{"plain samples cut short", std::string("P3 2 1 255\n1 2 3 4\n"), L"is truncated"}}) {
        SCOPED_TRACE(name);
        try {
            ReadNetpbmImage(file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(reason), std::wstring::npos);
        }
    }
}
