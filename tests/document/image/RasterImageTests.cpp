#include "RasterImage.h"

#include "DocumentError.h"
#include "Limits.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// The limits hold to the pixel: the largest image taken, one pixel more refused.
TEST(RasterImage, SizeChecks)
{
    const std::uint64_t side = Limits::kMaxImageSide;
    const std::uint64_t area = Limits::kMaxImagePixels;
    const struct {
        std::uint64_t width;
        std::uint64_t height;
        const wchar_t* refusal; // null: taken
    } rows[] = {
        {1, 1, nullptr},
        {side, 1, nullptr},
        {area / side, side, nullptr},
        {0, 5, L"The GIF image is damaged: it has no pixels."},
        {5, 0, L"The GIF image is damaged: it has no pixels."},
        {side + 1, 1, L"too large"},
        {1, side + 1, L"too large"},
        {area / side + 1, side, L"too large"},
        {std::uint64_t{1} << 32, std::uint64_t{1} << 32, L"too large"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        try {
            RasterImage::CheckSize(L"The GIF image", rows[i].width, rows[i].height);
            EXPECT_EQ(rows[i].refusal, nullptr) << "taken";
        } catch (const DocumentError& error) {
            ASSERT_NE(rows[i].refusal, nullptr) << "refused";
            EXPECT_NE(error.Description().find(rows[i].refusal), std::wstring::npos);
            EXPECT_EQ(error.Description().rfind(L"The GIF image", 0), 0u);
        }
    }
    EXPECT_NO_THROW(RasterImage::CheckDecodedBytes(L"The TIFF image", Limits::kMaxDecodedImageBytes));
    EXPECT_THROW(RasterImage::CheckDecodedBytes(L"The TIFF image", Limits::kMaxDecodedImageBytes + 1), DocumentError);
}

TEST(RasterImage, RowsPackedEachOnItsByte)
{
    EXPECT_EQ(RasterImage::RowBytes(9, 1, 1), 2u);
    EXPECT_EQ(RasterImage::RowBytes(3, 3, 16), 18u);
    EXPECT_EQ(RasterImage::RowBytes(5, 1, 4), 3u);
    // Two rows of 9 one-bit samples: the second starts on byte 2.
    const std::string samples("\1\0\0\0\0\0\0\1\1" "\0\1\0\0\0\0\0\0\1", 18);
    EXPECT_EQ(RasterImage::PackRows(samples, 9, 2, 1), std::string("\x81\x80\x40\x80", 4));
    EXPECT_EQ(RasterImage::PackRows(std::string("\3\2\1", 3), 3, 1, 2), std::string("\xE4", 1));
}

// No soft mask for an opaque image (8 or 16 bits); one transparent pixel gives
// a Gray mask of the image's size holding the alpha as it was.
TEST(RasterImage, SoftMask)
{
    EXPECT_EQ(RasterImage::SoftMask(2, 1, std::string(2, '\xff')), nullptr);
    EXPECT_EQ(RasterImage::SoftMask(2, 1, std::string(4, '\xff'), 16), nullptr);
    const std::string alpha("\xff\xfe\xff", 3);
    const auto mask = RasterImage::SoftMask(3, 1, alpha);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->width, 3);
    EXPECT_EQ(mask->height, 1);
    EXPECT_EQ(mask->bitsPerComponent, 8);
    EXPECT_EQ(mask->colourModel, ColourModel::Gray);
    EXPECT_EQ(mask->data, alpha);
    const auto deep = RasterImage::SoftMask(1, 1, std::string("\xff\x00", 2), 16);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->bitsPerComponent, 16);
}

} // namespace
} // namespace Document
