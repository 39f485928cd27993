// The application icon: the group directory in the executable agrees entry
// for entry with the committed icon file's own directory, each image is the
// file's image byte for byte, and the images are stored the way the system
// reads them (PNG at 256 x 256, bitmaps with a 40-byte header elsewhere).
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace ResourcesTest {
namespace {

struct ExpectedImage {
    int size;
    int bitDepth;
    int colours; // as the directory gives it: 0 for 256 colours and more
    bool png;
};

const ExpectedImage Expected[] = {
    {48, 1, 2, false},    {32, 1, 2, false},   {16, 1, 2, false},   {256, 4, 16, true},  {48, 4, 16, false},
    {32, 4, 16, false},   {24, 4, 16, false},  {16, 4, 16, false},  {256, 8, 0, true},   {48, 8, 0, false},
    {32, 8, 0, false},    {24, 8, 0, false},   {16, 8, 0, false},   {256, 32, 0, true},  {128, 32, 0, false},
    {96, 32, 0, false},   {80, 32, 0, false},  {72, 32, 0, false},  {64, 32, 0, false},  {48, 32, 0, false},
    {32, 32, 0, false},   {24, 32, 0, false},  {16, 32, 0, false},
};
constexpr std::size_t ImageCount = std::size(Expected);
constexpr UINT FirstImageId = 30001;

// The icon file: a 6-byte header, 16-byte entries, then the images. The
// group resource: the same header, 14-byte entries whose last field is the
// image's resource number instead of its file offset.
constexpr std::size_t FileEntrySize = 16;
constexpr std::size_t GroupEntrySize = 14;

class IconTest : public testing::Test {
protected:
    Bytes file_ = ReadWholeFile(CommandLineIco);
    Bytes group_ = ResourceBytes(CommandLineModule(), RT_GROUP_ICON, MAKEINTRESOURCEA(1));

    std::size_t FileEntry(std::size_t index) const { return 6 + FileEntrySize * index; }
    std::size_t GroupEntry(std::size_t index) const { return 6 + GroupEntrySize * index; }

    Bytes FileImage(std::size_t index) const
    {
        std::size_t size = ReadUint(file_, FileEntry(index) + 8, 4);
        std::size_t offset = ReadUint(file_, FileEntry(index) + 12, 4);
        if (offset + size > file_.size()) {
            throw std::out_of_range("image beyond the end of the icon file");
        }
        return Bytes(file_.begin() + offset, file_.begin() + offset + size);
    }

    Bytes ResourceImage(std::size_t index) const
    {
        return ResourceBytes(CommandLineModule(), RT_ICON, MAKEINTRESOURCEA(FirstImageId + index));
    }
};

TEST_F(IconTest, FileDirectoryListsTheImagesInOrder)
{
    ASSERT_EQ(0u, ReadUint(file_, 0, 2));
    ASSERT_EQ(1u, ReadUint(file_, 2, 2)); // an icon, not a cursor
    ASSERT_EQ(ImageCount, ReadUint(file_, 4, 2));
    for (std::size_t i = 0; i < ImageCount; ++i) {
        std::size_t entry = FileEntry(i);
        std::uint32_t side = Expected[i].size % 256; // 256 is written as 0
        EXPECT_EQ(side, ReadUint(file_, entry, 1)) << "image " << i + 1;
        EXPECT_EQ(side, ReadUint(file_, entry + 1, 1)) << "image " << i + 1;
        EXPECT_EQ(Expected[i].colours, static_cast<int>(ReadUint(file_, entry + 2, 1))) << "image " << i + 1;
        EXPECT_EQ(0u, ReadUint(file_, entry + 3, 1)) << "image " << i + 1;
        EXPECT_EQ(1u, ReadUint(file_, entry + 4, 2)) << "image " << i + 1;
        EXPECT_EQ(Expected[i].bitDepth, static_cast<int>(ReadUint(file_, entry + 6, 2))) << "image " << i + 1;
    }
}

TEST_F(IconTest, GroupDirectoryAgreesWithFileDirectoryEntryForEntry)
{
    ASSERT_EQ(ImageCount, ReadUint(group_, 4, 2));
    ASSERT_EQ(6 + GroupEntrySize * ImageCount, group_.size());
    EXPECT_TRUE(std::equal(file_.begin(), file_.begin() + 6, group_.begin()));
    for (std::size_t i = 0; i < ImageCount; ++i) {
        // Size, colours, planes, bit depth and byte count: the first 12 bytes.
        auto fileEntry = file_.begin() + FileEntry(i);
        auto groupEntry = group_.begin() + GroupEntry(i);
        EXPECT_TRUE(std::equal(fileEntry, fileEntry + 12, groupEntry)) << "image " << i + 1;
        EXPECT_EQ(FirstImageId + i, ReadUint(group_, GroupEntry(i) + 12, 2)) << "image " << i + 1;
    }
}

TEST_F(IconTest, EachImageResourceIsTheFilesImage)
{
    for (std::size_t i = 0; i < ImageCount; ++i) {
        Bytes image = ResourceImage(i);
        EXPECT_EQ(ReadUint(group_, GroupEntry(i) + 8, 4), image.size()) << "image " << i + 1;
        EXPECT_TRUE(image == FileImage(i)) << "image " << i + 1;
    }
}

TEST_F(IconTest, LargestImagesArePngWithAlpha)
{
    for (std::size_t i = 0; i < ImageCount; ++i) {
        if (!Expected[i].png) {
            continue;
        }
        Bytes image = ResourceImage(i);
        ASSERT_GE(image.size(), 33u) << "image " << i + 1;
        const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), image.begin())) << "image " << i + 1;
        EXPECT_EQ("IHDR", std::string(image.begin() + 12, image.begin() + 16)) << "image " << i + 1;
        // IHDR holds big-endian numbers.
        auto bigEndian = [&](std::size_t at) {
            return std::uint32_t{image[at]} << 24 | image[at + 1] << 16 | image[at + 2] << 8 | image[at + 3];
        };
        EXPECT_EQ(256u, bigEndian(16)) << "image " << i + 1;
        EXPECT_EQ(256u, bigEndian(20)) << "image " << i + 1;
        EXPECT_EQ(8u, ReadUint(image, 24, 1)) << "image " << i + 1;
        EXPECT_EQ(6u, ReadUint(image, 25, 1)) << "image " << i + 1; // RGB with alpha
    }
}

TEST_F(IconTest, OtherImagesAreBitmapsWithColourTableImageAndMask)
{
    for (std::size_t i = 0; i < ImageCount; ++i) {
        if (Expected[i].png) {
            continue;
        }
        const ExpectedImage& expected = Expected[i];
        Bytes image = ResourceImage(i);
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER)) << "image " << i + 1;
        BITMAPINFOHEADER header{};
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(40u, header.biSize) << "image " << i + 1;
        EXPECT_EQ(expected.size, header.biWidth) << "image " << i + 1;
        EXPECT_EQ(2 * expected.size, header.biHeight) << "image " << i + 1; // colour image and mask
        EXPECT_EQ(1, header.biPlanes) << "image " << i + 1;
        EXPECT_EQ(expected.bitDepth, header.biBitCount) << "image " << i + 1;
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression) << "image " << i + 1;

        std::size_t tableEntries = expected.bitDepth <= 8 ? std::size_t{1} << expected.bitDepth : 0;
        std::size_t colourRow = (expected.size * expected.bitDepth + 31) / 32 * 4;
        std::size_t maskRow = (expected.size + 31) / 32 * 4;
        std::size_t maskStart = 40 + 4 * tableEntries + colourRow * expected.size;
        ASSERT_EQ(maskStart + maskRow * expected.size, image.size()) << "image " << i + 1;

        // A real mask: some pixels show the background, others do not.
        bool transparent = false;
        bool opaque = false;
        for (int row = 0; row < expected.size; ++row) {
            for (int column = 0; column < expected.size; ++column) {
                bool bit = (image[maskStart + row * maskRow + column / 8] >> (7 - column % 8)) & 1;
                (bit ? transparent : opaque) = true;
            }
        }
        EXPECT_TRUE(transparent && opaque) << "image " << i + 1;
    }
}

TEST_F(IconTest, SystemMakesAnIconOfEveryImage)
{
    for (std::size_t i = 0; i < ImageCount; ++i) {
        Bytes image = ResourceImage(i);
        HICON icon = ::CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                                Expected[i].size, Expected[i].size, LR_DEFAULTCOLOR);
        EXPECT_NE(nullptr, icon) << "image " << i + 1 << ", error " << ::GetLastError();
        if (icon != nullptr) {
            ICONINFO info{};
            ASSERT_TRUE(::GetIconInfo(icon, &info));
            BITMAP mask{};
            ::GetObjectA(info.hbmMask, sizeof mask, &mask);
            EXPECT_EQ(Expected[i].size, mask.bmWidth) << "image " << i + 1;
            ::DeleteObject(info.hbmMask);
            ::DeleteObject(info.hbmColor);
            ::DestroyIcon(icon);
        }
    }
}

TEST_F(IconTest, SystemPicksTheIconFromTheGroupAtTheUsualSizes)
{
    for (int size : {16, 32, 48}) {
        int id = ::LookupIconIdFromDirectoryEx(group_.data(), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_GE(id, static_cast<int>(FirstImageId)) << size;
        ASSERT_LT(id, static_cast<int>(FirstImageId + ImageCount)) << size;
        EXPECT_EQ(size, Expected[id - FirstImageId].size) << size;
    }
}

} // namespace
} // namespace ResourcesTest
