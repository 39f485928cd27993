#include "DocumentError.h"
#include "GifImage.h"
#include "ImageSamples.h"

#include <gtest/gtest.h>

using namespace Document;

// Plain, interlaced, transparent, and a frame smaller than its screen.
TEST(GifImage, DecodesToTheReferenceSamples) {
    const int checked = ImageSamples::CheckFormatSamples(
        "gif", [](std::string_view file) { return std::vector<ImageData>{ReadGifImage(file)}; });
    EXPECT_EQ(checked, 4);
}

namespace {

// A GIF of one image with a two-colour table: its screen's and its frame's
// size, and a 1 x 1 frame's LZW data (clear, index 0, end).
std::string Gif(const std::string& screen, const std::string& frame) {
    return "GIF89a" + screen + std::string("\x80\0\0" "\0\0\0\xff\xff\xff" "\x2c\0\0\0\0", 14) + frame +
           std::string("\0\x02\x02\x44\x01\0\x3b", 7);
}

} // namespace

TEST(GifImage, RefusesHostileFiles) {
    const std::string one("\1\0\1\0", 4);
    ASSERT_EQ(ReadGifImage(Gif(one, one)).width, 1);
    // A screen beyond the limits is not the page: the frame alone is.
    EXPECT_EQ(ReadGifImage(Gif("\xff\xff\xff\xff", one)).width, 1);
    const std::string good = ImageSamples::Read("plain.gif");
    for (const auto& [name, file, reason] : {std::tuple{"truncated", good.substr(0, good.size() / 2), L"is truncated"},
                                             std::tuple{"frame too large", Gif(one, "\x30\x75\x30\x75"), L"is too large"},
                                             std::tuple{"no pixels", Gif(one, std::string(4, '\0')), L"no pixels"},
                                             std::tuple{"data short of the frame", Gif(one, std::string("\2\0\2\0", 4)), L"is truncated"},
                                             std::tuple{"not a GIF", std::string("GIF88a") + good.substr(6), L"signature"}}) {
        SCOPED_TRACE(name);
        try {
            ReadGifImage(file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(reason), std::wstring::npos);
        }
    }
}
