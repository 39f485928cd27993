#include "DocumentError.h"
#include "FlateCodec.h"
#include "ImageSamples.h"
#include "Limits.h"
#include "PngImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

using namespace Document;
using ImageSamples::Chunk;
using ImageSamples::PngStart;

namespace {

struct Reference {
    int width = 0, height = 0, colours = 0, bits = 0;
    std::vector<std::uint16_t> colour, alpha;
};

// NAME.ref, written by png_samples.py from its own decode of the file.
Reference ReadReference(const std::string& name) {
    const std::string bytes = ImageSamples::Read(name + ".ref");
    Reference ref;
    const std::size_t newline = bytes.find('\n');
    std::sscanf(bytes.substr(0, newline).c_str(), "%d %d %d %d", &ref.width, &ref.height, &ref.colours, &ref.bits);
    const std::size_t count = std::size_t(ref.width) * ref.height;
    for (std::size_t at = newline + 1; at + 1 < bytes.size(); at += 2) {
        const auto value = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
        (ref.colour.size() < count * ref.colours ? ref.colour : ref.alpha).push_back(value);
    }
    return ref;
}

} // namespace

// Every kind of PNG (made by png_samples.py, and the real ones this machine
// has) gives a PDF reader exactly the samples an independent decoder gets.
TEST(PngImage, DecodesToTheReferenceSamples) {
    int checked = 0;
    for (const auto& row : ImageSamples::List()) {
        if (row[0] != "png") {
            continue;
        }
        const std::string& name = row[1];
        SCOPED_TRACE(name);
        const std::string file = ImageSamples::Read(name);
        const Reference ref = ReadReference(name);
        const ImageData image = ReadPngImage(file);
        EXPECT_EQ(image.width, ref.width);
        EXPECT_EQ(image.height, ref.height);
        EXPECT_EQ(image.bitsPerComponent == 16, ref.bits == 16);
        EXPECT_TRUE(ImageSamples::ColourSamples(image) == ref.colour);
        EXPECT_TRUE(ImageSamples::Alpha(image) == ref.alpha);
        if (image.softMask) {
            EXPECT_EQ(image.softMask->colourModel, ColourModel::Gray);
        }
        // Plain rows without an alpha channel pass through as the file has them.
        // (The header's colour type and interlace method say so.)
        const int colourType = file[25];
        const bool passes = file[28] == 0 && (colourType == 0 || colourType == 2 || colourType == 3);
        EXPECT_EQ(image.encoding, passes ? ImageEncoding::Flate : ImageEncoding::Rows);
        if (passes) {
            EXPECT_NE(file.find(image.data.substr(0, 64)), std::string::npos);
        }
        ++checked;
    }
    EXPECT_GE(checked, 30);
}

TEST(PngImage, ResolutionFromPhys) {
    // png_samples.py gives its interlaced files 11811 x 5906 pixels per metre.
    const ImageData image = ReadPngImage(ImageSamples::Read("made-c2-b8-i1.png"));
    EXPECT_NEAR(image.dpiX, 300.0, 0.02);
    EXPECT_NEAR(image.dpiY, 150.0, 0.02);
    EXPECT_EQ(ReadPngImage(ImageSamples::Read("made-c2-b8-i0.png")).dpiX, 0);
}

namespace {

std::string Idat(const std::string& raw) { return Chunk("IDAT", FlateCodec::Compress(raw)); }
std::string End() { return Chunk("IEND", ""); }

// 10 x 10 grey, 8 bits: 10 rows of a filter byte and 10 samples.
std::string SmallGrey() { return PngStart(10, 10, 8, 0) + Idat(std::string(110, '\0')) + End(); }

struct Refusal {
    const char* name;
    std::string file;
    const wchar_t* reason; // a part of the description
};

} // namespace

TEST(PngImage, RefusesDamagedAndOversizedFiles) {
    const std::string good = SmallGrey();
    std::string badCrc = good;
    badCrc[30] ^= 1; // inside the IHDR's CRC
    std::string badFilter(110, '\0');
    badFilter[55] = 9;
    const Refusal rows[] = {
        {"claims 100,000 x 100,000 pixels", PngStart(100'000, 100'000, 8, 2) + Idat("x") + End(), L"too large"},
        {"one side beyond the limit", PngStart(20'001, 1, 8, 0) + Idat("x") + End(), L"too large"},
        {"beyond the megapixels", PngStart(10'001, 10'000, 1, 0) + Idat("x") + End(), L"too large"},
        {"decoded size beyond the limit", PngStart(20'000, 5'000, 16, 6) + Idat("x") + End(), L"too large to decode"},
        {"expands a thousandfold", PngStart(10, 10, 8, 0) + Idat(std::string(110'000, '\0')) + End(),
         L"more data than its header allows"},
        {"data ends early", PngStart(10, 10, 8, 0) + Idat(std::string(50, '\0')) + End(), L"ends before"},
        {"big header, tiny data", PngStart(10'000, 10'000, 8, 0) + Idat(std::string(1000, '\0')) + End(), L"ends before"},
        {"truncated in a chunk", good.substr(0, good.size() - 20), L"truncated"},
        {"chunk longer than the file", good.substr(0, 33) + "\x7f\xff\xff\xf0IDAT", L"truncated"},
        {"checksum", badCrc, L"checksum"},
        {"not a PNG", "GIF89a", L"signature"},
        {"no header first", std::string("\x89PNG\r\n\x1a\n", 8) + Idat("x") + End(), L"header"},
        {"no image data", PngStart(10, 10, 8, 0) + End(), L"no image data"},
        {"palette image without palette", PngStart(10, 10, 8, 3) + Idat(std::string(110, '\0')) + End(), L"palette"},
        {"colour type and depth", PngStart(10, 10, 4, 2) + Idat(std::string(110, '\0')) + End(), L"bit depth"},
        {"zero width", PngStart(0, 10, 8, 0) + Idat("x") + End(), L"no pixels"},
        {"unknown filter", PngStart(10, 10, 8, 0) + Idat(badFilter) + End(), L"filter type"},
        {"unknown critical chunk", PngStart(10, 10, 8, 0) + Chunk("CgBI", "1234") + Idat(std::string(110, '\0')) + End(),
         L"does not know"},
        {"not zlib data", PngStart(10, 10, 8, 0) + Chunk("IDAT", "garbage data") + End(), L"damaged"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            ReadPngImage(row.file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(row.reason), std::wstring::npos)
                << std::string(error.Description().begin(), error.Description().end());
        }
    }
    EXPECT_NO_THROW(ReadPngImage(good));
}

// A stream with bytes after its end still decodes, compressed again rather
// than passed through (a reader of the PDF would stumble on the extra bytes).
TEST(PngImage, StreamWithTrailingBytesIsCompressedAgain) {
    const std::string raw(110, '\0');
    const std::string file = PngStart(10, 10, 8, 0) + Chunk("IDAT", FlateCodec::Compress(raw) + "junk") + End();
    const ImageData image = ReadPngImage(file);
    EXPECT_EQ(ImageSamples::ColourSamples(image), std::vector<std::uint16_t>(100, 0));
    EXPECT_EQ(image.data.find("junk"), std::string::npos);
}

TEST(PngImage, IccProfileIsInflated) {
    const std::string profile(3000, 'p');
    const std::string pixels = Idat(std::string(110, '\0')) + End();
    const std::string named = std::string("sRGB\0\0", 6);
    EXPECT_EQ(ReadPngImage(PngStart(10, 10, 8, 0) + Chunk("iCCP", named + FlateCodec::Compress(profile)) + pixels).iccProfile,
              profile);
    EXPECT_EQ(ReadPngImage(PngStart(10, 10, 8, 0) + pixels).iccProfile, "");
    const struct {
        const char* name;
        std::string chunk;
        const wchar_t* reason;
    } refused[] = {
        {"no name", Chunk("iCCP", std::string("\0\0", 2) + FlateCodec::Compress(profile)), L"colour profile"},
        {"not zlib", Chunk("iCCP", named + "garbage"), L"colour profile"},
        {"cut short", Chunk("iCCP", named + FlateCodec::Compress(profile).substr(0, 10)), L"colour profile"},
        {"beyond the limit", Chunk("iCCP", named + FlateCodec::Compress(std::string(Limits::kMaxIccProfileBytes + 1, '\0'))),
         L"more than 16 MiB"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.name);
        try {
            ReadPngImage(PngStart(10, 10, 8, 0) + row.chunk + pixels);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(row.reason), std::wstring::npos)
                << std::string(error.Description().begin(), error.Description().end());
        }
    }
}
