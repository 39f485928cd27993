// The application icon: the group in the executable agrees entry for entry
// with the committed .ico's directory and with its images, stored as the
// system reads them (PNG at 256 x 256, bitmaps with a 40-byte header elsewhere).
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

namespace ResourcesTest {
namespace {

const struct {
    int size;
    int bitDepth;
    int colours; // as the directory gives it: 0 for 256 colours and more
} Expected[] = {
    {48, 1, 2},  {32, 1, 2},  {16, 1, 2},  {256, 4, 16}, {48, 4, 16}, {32, 4, 16}, {24, 4, 16}, {16, 4, 16},
    {256, 8, 0}, {48, 8, 0},  {32, 8, 0},  {24, 8, 0},   {16, 8, 0},  {256, 32, 0}, {128, 32, 0}, {96, 32, 0},
    {80, 32, 0}, {72, 32, 0}, {64, 32, 0}, {48, 32, 0},  {32, 32, 0}, {24, 32, 0},  {16, 32, 0},
};
constexpr std::size_t ImageCount = std::size(Expected);
constexpr UINT FirstImageId = 30001;

// Both directories: a 6-byte header, then per image the same 12 bytes
// (size, colours, planes, bit depth, byte count) and the image's place: a
// 4-byte file offset in the .ico (16-byte entries), a 2-byte resource
// number in the group (14-byte entries).
std::size_t FileEntry(std::size_t i) { return 6 + 16 * i; }
std::size_t GroupEntry(std::size_t i) { return 6 + 14 * i; }

class IconTest : public testing::Test {
protected:
    std::string file_ = TestSupport::ReadFileBytes(CommandLineIco);
    std::string group_ = ResourceBytes(RT_GROUP_ICON, 1);
};

TEST_F(IconTest, GroupAgreesWithTheFilesDirectoryAndTheImageTable)
{
    ASSERT_EQ(6 + 14 * ImageCount, group_.size());
    EXPECT_EQ(std::string("\0\0\1\0\x17\0", 6), file_.substr(0, 6)); // an icon, not a cursor, of 23 images
    EXPECT_EQ(file_.substr(0, 6), group_.substr(0, 6));
    for (std::size_t i = 0; i < ImageCount; ++i) {
        std::uint32_t side = Expected[i].size % 256; // 256 is written as 0
        std::string expected{char(side), char(side), char(Expected[i].colours), 0, 1, 0, char(Expected[i].bitDepth), 0};
        EXPECT_EQ(expected, file_.substr(FileEntry(i), 8)) << "image " << i;
        EXPECT_EQ(file_.substr(FileEntry(i), 12), group_.substr(GroupEntry(i), 12)) << "image " << i;
        EXPECT_EQ(FirstImageId + i, ReadUint(group_, GroupEntry(i) + 12, 2)) << "image " << i;
    }
}

TEST_F(IconTest, EveryImageIsTheFilesImageStoredAsTheSystemReadsIt)
{
    for (std::size_t i = 0; i < ImageCount; ++i) {
        const int size = Expected[i].size;
        const int depth = Expected[i].bitDepth;
        std::string image = ResourceBytes(RT_ICON, FirstImageId + i);
        ASSERT_EQ(ReadUint(group_, GroupEntry(i) + 8, 4), image.size()) << "image " << i;
        EXPECT_EQ(file_.substr(ReadUint(file_, FileEntry(i) + 12, 4), image.size()), image) << "image " << i;

        HICON icon = ::CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()),
                                                TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(nullptr, icon) << "image " << i << ", error " << ::GetLastError();
        ::DestroyIcon(icon);

        if (size == 256) {
            // Signature, then IHDR: 256 x 256 (big-endian), 8 bits, colour type 6 (RGB with alpha).
            EXPECT_EQ(std::string("\x89PNG\r\n\x1A\n", 8), image.substr(0, 8)) << "image " << i;
            EXPECT_EQ(std::string("IHDR\0\0\1\0\0\0\1\0\x08\x06", 14), image.substr(12, 14)) << "image " << i;
            continue;
        }
        BITMAPINFOHEADER header{};
        ASSERT_GE(image.size(), sizeof header) << "image " << i;
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(40u, header.biSize) << "image " << i;
        EXPECT_EQ(size, header.biWidth) << "image " << i;
        EXPECT_EQ(2 * size, header.biHeight) << "image " << i; // colour image and mask
        EXPECT_EQ(1, header.biPlanes) << "image " << i;
        EXPECT_EQ(depth, header.biBitCount) << "image " << i;
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression) << "image " << i;

        // Colour table for 8 bits or fewer, colour rows, then the 1-bit mask.
        std::size_t maskRow = (size + 31) / 32 * 4;
        std::size_t mask = 40 + (depth <= 8 ? 4 << depth : 0) + (size * depth + 31) / 32 * 4 * size;
        ASSERT_EQ(mask + maskRow * size, image.size()) << "image " << i;
        // A real mask: some pixels show the background, others do not.
        int transparent = 0;
        for (int row = 0; row < size; ++row) {
            for (int column = 0; column < size; ++column) {
                transparent += (image[mask + row * maskRow + column / 8] >> (7 - column % 8)) & 1;
            }
        }
        EXPECT_GT(transparent, 0) << "image " << i;
        EXPECT_LT(transparent, size * size) << "image " << i;
    }
}

} // namespace
} // namespace ResourcesTest
