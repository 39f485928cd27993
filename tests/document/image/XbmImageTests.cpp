#include "DocumentError.h"
#include "ImageSamples.h"
#include "XbmImage.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Document;

// An X11 bitmap by ImageMagick, an X10 one of shorts.
TEST(XbmImage, DecodesToTheReferenceSamples) {
    const int checked = ImageSamples::CheckFormatSamples(
        "xbm", [](std::string_view file) { return std::vector<ImageData>{ReadXbmImage(file)}; });
    EXPECT_EQ(checked, 2);
}

TEST(XbmImage, RefusesHostileFiles) {
    const std::string good = ImageSamples::Read("bitmap.xbm");
    for (const auto& [name, file, reason] : {
             std::tuple{"truncated", good.substr(0, good.size() / 2), L"is truncated"},
             std::tuple{"no height", std::string("#define a_width 8\nstatic char a_bits[] = {0x01};\n"), L"_height"},
             std::tuple{"huge", std::string("#define a_width 40000\n#define a_height 40000\nstatic char a_bits[] = {0x01};"),
                        L"is too large"},
             std::tuple{"no array", std::string("#define a_width 8\n#define a_height 1\n"), L"no array"}}) {
        SCOPED_TRACE(name);
        try {
            ReadXbmImage(file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(reason), std::wstring::npos);
        }
    }
}
