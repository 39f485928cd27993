#include "DocumentError.h"
#include "ImageSamples.h"
#include "JpegImage.h"

#include <gtest/gtest.h>

using namespace Document;

TEST(JpegImage, RealFilesAreEmbeddedAsTheyAre) {
    for (const auto& row : ImageSamples::List()) {
        if (row[0] != "jpeg") {
            continue;
        }
        SCOPED_TRACE(row[1]);
        const std::string file = ImageSamples::Read(row[1]);
        const ImageData image = ReadJpegImage(file);
        EXPECT_TRUE(image.data == file);
        EXPECT_EQ(image.encoding, ImageEncoding::Dct);
        // Width, height and components as file(1) read them.
        EXPECT_EQ(std::to_string(image.width), row[2]);
        EXPECT_EQ(std::to_string(image.height), row[3]);
        EXPECT_EQ(image.colourModel, row[4] == "1" ? ColourModel::Gray : row[4] == "3" ? ColourModel::Rgb : ColourModel::Cmyk);
    }
}

namespace {

std::string Segment(unsigned marker, const std::string& body) {
    const std::size_t length = body.size() + 2;
    return std::string{'\xff', char(marker), char(length >> 8), char(length)} + body;
}

// A frame header: precision, height, width, and the components.
std::string Frame(unsigned marker, int precision, int width, int height, int components) {
    std::string body{char(precision), char(height >> 8), char(height), char(width >> 8), char(width), char(components)};
    for (int i = 0; i < components; ++i) {
        body += std::string{char(i + 1), '\x11', '\0'};
    }
    return Segment(marker, body);
}

std::string Jfif(int units, int x, int y) {
    return Segment(0xe0, std::string("JFIF\0\1\2", 7) + std::string{char(units), char(x >> 8), char(x), char(y >> 8), char(y), 0, 0});
}

// EXIF in Intel order: one directory of XResolution, YResolution (rationals
// at offsets 50 and 58) and ResolutionUnit.
std::string Exif(int dpi, int unit) {
    std::string tiff("II*\0\x08\0\0\0", 8);
    tiff += std::string("\x03\0", 2);
    auto entry = [](int tag, int type, std::uint32_t value) {
        return std::string{char(tag), char(tag >> 8), char(type), 0, 1, 0, 0, 0,
                           char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    };
    tiff += entry(0x011a, 5, 50) + entry(0x011b, 5, 58) + entry(0x0128, 3, unit) + std::string(4, '\0');
    auto rational = [](std::uint32_t n) { return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24), 1, 0, 0, 0}; };
    tiff += rational(dpi) + rational(dpi);
    return Segment(0xe1, std::string("Exif\0\0", 6) + tiff);
}

// EXIF with one directory entry, Orientation, in either byte order;
// `cut` leaves the entry's last bytes out of the segment.
std::string ExifOrientation(int value, bool bigEndian, std::size_t cut = 0) {
    auto two = [&](int v) { return bigEndian ? std::string{char(v >> 8), char(v)} : std::string{char(v), char(v >> 8)}; };
    auto four = [&](int v) { return bigEndian ? two(0) + two(v) : two(v) + two(0); };
    std::string tiff = std::string(bigEndian ? "MM\0*" : "II*\0", 4) + four(8) + two(1);
    tiff += two(0x0112) + two(3) + four(1) + two(value) + two(0) + four(0);
    return Segment(0xe1, std::string("Exif\0\0", 6) + tiff.substr(0, tiff.size() - 4 - cut));
}

const std::string kStart("\xff\xd8", 2);
const std::string kScan = Segment(0xda, std::string("\1\1\0\0\x3f\0", 6)) + "scan data\xff\xd9";

} // namespace

TEST(JpegImage, HeadersGiveSizeColourAndResolution) {
    struct Row {
        const char* name;
        std::string file;
        int width, height;
        ColourModel colourModel;
        bool inverted;
        double dpiX, dpiY;
    };
    const std::string adobe = Segment(0xee, std::string("Adobe\0\x64\0\0\0\0\2", 12));
    const Row rows[] = {
        {"baseline grey, no density", kStart + Frame(0xc0, 8, 640, 480, 1) + kScan, 640, 480, ColourModel::Gray, false, 0, 0},
        {"progressive RGB, JFIF dpi", kStart + Jfif(1, 300, 150) + Frame(0xc2, 8, 17, 5, 3) + kScan, 17, 5, ColourModel::Rgb, false, 300, 150},
        {"JFIF dots per cm", kStart + Jfif(2, 100, 100) + Frame(0xc0, 8, 1, 1, 3) + kScan, 1, 1, ColourModel::Rgb, false, 254, 254},
        {"JFIF aspect only, EXIF dpi", kStart + Jfif(0, 1, 1) + Exif(72, 2) + Frame(0xc1, 8, 9, 9, 3) + kScan, 9, 9, ColourModel::Rgb, false, 72, 72},
        {"EXIF per cm", kStart + Exif(100, 3) + Frame(0xc0, 8, 9, 9, 1) + kScan, 9, 9, ColourModel::Gray, false, 254, 254},
        {"Adobe CMYK is inverted", kStart + adobe + Frame(0xc0, 8, 20000, 5000, 4) + kScan, 20000, 5000, ColourModel::Cmyk, true, 0, 0},
        {"CMYK without Adobe", kStart + Frame(0xc0, 8, 2, 2, 4) + kScan, 2, 2, ColourModel::Cmyk, false, 0, 0},
        {"fill bytes before a marker", kStart + "\xff\xff" + Frame(0xc0, 8, 3, 4, 1) + kScan, 3, 4, ColourModel::Gray, false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ImageData image = ReadJpegImage(row.file);
        EXPECT_EQ(image.width, row.width);
        EXPECT_EQ(image.height, row.height);
        EXPECT_EQ(image.colourModel, row.colourModel);
        EXPECT_EQ(image.inverted, row.inverted);
        EXPECT_NEAR(image.dpiX, row.dpiX, 1e-9);
        EXPECT_NEAR(image.dpiY, row.dpiY, 1e-9);
        EXPECT_TRUE(image.data == row.file);
    }
}

TEST(JpegImage, RefusesWhatAPdfCannotCarry) {
    const struct {
        const char* name;
        std::string file;
        const wchar_t* reason;
    } rows[] = {
        {"wider than the limit", kStart + Frame(0xc0, 8, 60000, 10, 3) + kScan, L"too large"},
        {"beyond the megapixels", kStart + Frame(0xc0, 8, 15000, 15000, 3) + kScan, L"too large"},
        {"12-bit samples", kStart + Frame(0xc1, 12, 10, 10, 3) + kScan, L"12-bit"},
        {"lossless", kStart + Frame(0xc3, 8, 10, 10, 3) + kScan, L"lossless"},
        {"arithmetic", kStart + Frame(0xc9, 8, 10, 10, 3) + kScan, L"arithmetic"},
        {"two components", kStart + Frame(0xc0, 8, 10, 10, 2) + kScan, L"components"},
        {"height left to a later marker", kStart + Frame(0xc0, 8, 10, 0, 3) + kScan, L"size"},
        {"scan before frame", kStart + kScan, L"before its frame"},
        {"no frame at all", kStart + std::string("\xff\xd9", 2), L"no image data"},
        {"segment longer than the file", kStart + std::string("\xff\xe0\xff\xf0JFIF", 8), L"truncated"},
        {"cut in the headers", kStart + Jfif(1, 1, 1), L"end before"},
        {"frame header shorter than its components", kStart + Segment(0xc0, std::string("\x08\0\1\0\1\3", 6)) + kScan, L"too short"},
        {"not a JPEG", "\x89PNG", L"start marker"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            ReadJpegImage(row.file);
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(row.reason), std::wstring::npos)
                << std::string(error.Description().begin(), error.Description().end());
        }
    }
}

TEST(JpegImage, OrientationFromExifInEitherByteOrder) {
    const std::string frame = Frame(0xc0, 8, 30, 20, 3) + kScan;
    for (int value = 1; value <= 8; ++value) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::to_string(value) + (bigEndian ? " MM" : " II"));
            const std::string file = kStart + ExifOrientation(value, bigEndian) + frame;
            const ImageData image = ReadJpegImage(file);
            EXPECT_EQ(image.orientation, value);
            EXPECT_EQ(image.width, 30); // the stored picture; the page turns it
            EXPECT_TRUE(image.data == file);
        }
    }
    const struct {
        const char* name;
        std::string file;
        int orientation;
    } rows[] = {
        {"no EXIF", kStart + frame, 1},
        {"out of range", kStart + ExifOrientation(9, false) + frame, 1},
        {"zero", kStart + ExifOrientation(0, true) + frame, 1},
        {"entry cut off", kStart + ExifOrientation(6, true, 6) + frame, 1},
        {"after an XMP segment", kStart + Segment(0xe1, "http://ns.adobe.com/xap/1.0/") + ExifOrientation(8, false) + frame, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReadJpegImage(row.file).orientation, row.orientation);
    }
}

namespace {

std::string IccChunk(int number, int count, const std::string& piece) {
    return Segment(0xe2, std::string("ICC_PROFILE\0", 12) + char(number) + char(count) + piece);
}

} // namespace

TEST(JpegImage, IccProfileChunksAreJoinedInTheirOrder) {
    const std::string frame = Frame(0xc0, 8, 3, 3, 3) + kScan;
    const struct {
        const char* name;
        std::string file;
        const char* profile;
    } rows[] = {
        {"one chunk", kStart + IccChunk(1, 1, "whole") + frame, "whole"},
        {"three, stored out of order", kStart + IccChunk(2, 3, "BB") + IccChunk(3, 3, "C") + IccChunk(1, 3, "AAA") + frame, "AAABBC"},
        {"one missing", kStart + IccChunk(1, 3, "AAA") + IccChunk(3, 3, "C") + frame, ""},
        {"one twice", kStart + IccChunk(1, 2, "AAA") + IccChunk(1, 2, "AAA") + IccChunk(2, 2, "B") + frame, ""},
        {"counts disagree", kStart + IccChunk(1, 2, "AAA") + IccChunk(2, 3, "B") + frame, ""},
        {"number zero", kStart + IccChunk(0, 1, "AAA") + frame, ""},
        {"another APP2", kStart + Segment(0xe2, "FPXR\0\0\0\0\0\0\0\0\0\0") + frame, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReadJpegImage(row.file).iccProfile, row.profile);
    }
}
