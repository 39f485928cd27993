#include "BmpImage.h"

#include "ByteReader.h"
#include "DocumentError.h"
#include "RasterImage.h"

#include <bit>
#include <cstdint>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The BMP image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

// The file's numbers, little-endian as a bitmap's are.
ByteReader Numbers(std::string_view bytes) { return ByteReader(bytes, ByteOrder::LittleEndian, L"The BMP image", L"data"); }
std::uint32_t Byte(std::string_view bytes, std::size_t at) { return Numbers(bytes).U8(at); }
std::uint32_t Little16(std::string_view bytes, std::size_t at) { return Numbers(bytes).U16(at); }
std::uint32_t Little32(std::string_view bytes, std::size_t at) { return Numbers(bytes).U32(at); }

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Jpeg = 4, Png = 5, AlphaBitFields = 6 };

struct Header {
    std::uint32_t headerSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = Rgb;
    std::uint32_t coloursUsed = 0;
    std::uint32_t masks[4] = {}; // red, green, blue, alpha
    double dpiX = 0;
    double dpiY = 0;
};

Header ReadHeader(std::string_view file) {
    if (file.size() < 26 || file.substr(0, 2) != "BM") {
        Refuse(L"is damaged: it does not start with the bitmap signature.");
    }
    Header h;
    h.headerSize = Little32(file, 14);
    if (h.headerSize == 12) { // the OS/2 core header: 16-bit sizes, RGB triples in the palette
        h.width = Little16(file, 18);
        h.height = Little16(file, 20);
        h.bitCount = Little16(file, 24);
        return h;
    }
    if (h.headerSize < 40 || h.headerSize > 65536 || file.size() < 14 + std::size_t{h.headerSize}) {
        Refuse(L"is damaged or truncated: its header is cut off or of a size bitmaps do not have.");
    }
    const auto width = static_cast<std::int32_t>(Little32(file, 18));
    const auto height = static_cast<std::int32_t>(Little32(file, 22));
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        Refuse(L"is damaged: it has no pixels.");
    }
    h.width = static_cast<std::uint32_t>(width);
    h.topDown = height < 0;
    h.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
    h.bitCount = Little16(file, 28);
    h.compression = Little32(file, 30);
    const auto perMetreX = static_cast<std::int32_t>(Little32(file, 38));
    const auto perMetreY = static_cast<std::int32_t>(Little32(file, 42));
    if (perMetreX > 0 && perMetreY > 0) {
        h.dpiX = DotsPerInch(perMetreX, ResolutionUnit::Metre);
        h.dpiY = DotsPerInch(perMetreY, ResolutionUnit::Metre);
    }
    h.coloursUsed = Little32(file, 46);
    // The masks sit in V2 and later headers, or right after the info header.
    const std::size_t maskAt = 54;
    const int maskCount = h.headerSize >= 56 || h.compression == AlphaBitFields ? 4 : 3;
    if ((h.compression == BitFields || h.compression == AlphaBitFields || h.headerSize >= 52)) {
        if (file.size() < maskAt + 4 * std::size_t(maskCount)) {
            Refuse(L"is truncated: its colour masks are cut off.");
        }
        for (int i = 0; i < maskCount; ++i) {
            h.masks[i] = Little32(file, maskAt + 4 * i);
        }
    }
    return h;
}

// A colour mask's shift and width, so a sample scales to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    unsigned Sample(std::uint32_t pixel) const {
        if (bits == 0) {
            return 0;
        }
        const std::uint64_t value = (pixel & mask) >> shift;
        const std::uint64_t maximum = bits >= 32 ? 0xffffffffu : (1ull << bits) - 1;
        return static_cast<unsigned>((value * 255 + maximum / 2) / maximum);
    }
};

// RLE8 and RLE4 expanded to one index a pixel, rows top-down; what the runs
// skip stays index 0.
std::string ExpandRunLengths(std::string_view data, const Header& h) {
    const bool four = h.compression == Rle4;
    std::string pixels(std::size_t{h.width} * h.height, '\0');
    std::size_t x = 0;
    std::size_t row = 0; // counted from the bottom
    auto put = [&](unsigned index) {
        if (x < h.width && row < h.height) {
            const std::size_t y = h.topDown ? row : h.height - 1 - row;
            pixels[y * h.width + x] = static_cast<char>(index);
        }
        ++x;
    };
    std::size_t at = 0;
    while (at + 1 < data.size() && row < h.height) {
        const unsigned count = Byte(data, at);
        const unsigned value = Byte(data, at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x <= h.width; ++i) {
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            }
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (at + 1 >= data.size()) {
                break;
            }
            x += Byte(data, at);
            row += Byte(data, at + 1);
            at += 2;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (data.size() - at < bytes) {
                Refuse(L"is truncated: a run of its compressed pixels is cut off.");
            }
            for (unsigned i = 0; i < value && x <= h.width; ++i) {
                const unsigned byte = Byte(data, at + (four ? i / 2 : i));
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte);
            }
            at += (bytes + 1) / 2 * 2; // absolute runs end on a 16-bit boundary
        }
    }
    return pixels;
}

// Where row `y` from the top starts in the pixel data.
std::size_t SourceRow(const Header& h, std::uint64_t stride, std::size_t y) {
    return (h.topDown ? y : h.height - 1 - y) * stride;
}

// 1 to 8-bit pixels: indices into the palette, run lengths expanded.
void ReadIndices(std::string_view file, const Header& h, std::string_view pixels, std::uint64_t stride, ImageData& image) {
    const std::uint32_t bits = h.bitCount;
    const std::uint32_t dataAt = Little32(file, 10);
    const bool runLengths = h.compression == Rle8 || h.compression == Rle4;
    const bool bitFields = h.compression == BitFields || h.compression == AlphaBitFields;
    const std::size_t entrySize = h.headerSize == 12 ? 3 : 4;
    const std::size_t paletteAt = 14 + std::size_t{h.headerSize} + (h.headerSize == 40 && bitFields ? 12 : 0);
    const std::size_t entries = std::size_t{1} << bits;
    const std::size_t stated = h.coloursUsed == 0 || h.coloursUsed > entries ? entries : h.coloursUsed;
    Palette palette;
    palette.base = ColourModel::Rgb;
    palette.entries.assign(entries * 3, '\0'); // padded, so every index the depth allows has a colour
    for (std::size_t i = 0; i < stated && paletteAt + i * entrySize + 3 <= dataAt; ++i) {
        const std::size_t at = paletteAt + i * entrySize;
        palette.entries[i * 3] = file[at + 2];
        palette.entries[i * 3 + 1] = file[at + 1];
        palette.entries[i * 3 + 2] = file[at];
    }
    image.colourModel = ColourModel::Indexed;
    image.palette = std::move(palette);
    image.bitsPerComponent = static_cast<int>(bits);
    if (runLengths) {
        image.data = RasterImage::PackRows(ExpandRunLengths(pixels, h), image.width, image.height,
                                           image.bitsPerComponent);
        return;
    }
    const std::size_t rowBytes = RasterImage::RowBytes(h.width, 1, static_cast<int>(bits));
    std::string rows(rowBytes * h.height, '\0');
    for (std::size_t y = 0; y < h.height; ++y) {
        rows.replace(y * rowBytes, rowBytes, pixels.substr(SourceRow(h, stride, y), rowBytes));
    }
    image.data = std::move(rows);
}

// 16, 24 and 32-bit pixels through their masks, with the alpha as a soft mask.
void ReadColours(const Header& h, std::string_view pixels, std::uint64_t stride, ImageData& image) {
    const std::uint32_t bits = h.bitCount;
    const bool bitFields = h.compression == BitFields || h.compression == AlphaBitFields;
    std::uint32_t masks[4] = {0xff0000, 0xff00, 0xff, 0};
    if (bits == 16) {
        masks[0] = 0x7c00;
        masks[1] = 0x3e0;
        masks[2] = 0x1f;
    }
    if (bitFields || (h.headerSize >= 56 && h.masks[3] != 0)) {
        for (int i = 0; i < 4; ++i) {
            masks[i] = bitFields || i == 3 ? h.masks[i] : masks[i];
        }
    }
    const Channel channels[4] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2]), Channel(masks[3])};
    const bool hasAlpha = masks[3] != 0;
    image.colourModel = ColourModel::Rgb;
    image.bitsPerComponent = 8;
    const std::size_t pixelBytes = bits / 8;
    std::string rgb(std::size_t{h.width} * h.height * 3, '\0');
    std::string alpha(hasAlpha ? std::size_t{h.width} * h.height : 0, '\xff');
    for (std::size_t y = 0; y < h.height; ++y) {
        const std::size_t row = SourceRow(h, stride, y);
        for (std::size_t x = 0; x < h.width; ++x) {
            const std::size_t at = row + x * pixelBytes;
            const std::size_t i = y * h.width + x;
            if (bits == 24) {
                rgb[i * 3] = pixels[at + 2];
                rgb[i * 3 + 1] = pixels[at + 1];
                rgb[i * 3 + 2] = pixels[at];
                continue;
            }
            const std::uint32_t value = bits == 16 ? Little16(pixels, at) : Little32(pixels, at);
            for (int c = 0; c < 3; ++c) {
                rgb[i * 3 + c] = static_cast<char>(channels[c].Sample(value));
            }
            if (hasAlpha) {
                alpha[i] = static_cast<char>(channels[3].Sample(value));
            }
        }
    }
    image.data = std::move(rgb);
    // Writers that leave the alpha bits at zero mean an opaque image, not an invisible one.
    if (hasAlpha && alpha.find_first_not_of('\0') != std::string::npos) {
        image.softMask = RasterImage::SoftMask(image.width, image.height, alpha);
    }
}

} // namespace

ImageData ReadBmpImage(std::string_view file) {
    const Header h = ReadHeader(file);
    RasterImage::CheckSize(kWhat, h.width, h.height);
    if (h.compression == Jpeg || h.compression == Png) {
        Refuse(L"holds a JPEG or PNG image inside; the converter takes such a file as it is, not inside a bitmap.");
    }
    const bool runLengths = h.compression == Rle8 || h.compression == Rle4;
    const bool bitFields = h.compression == BitFields || h.compression == AlphaBitFields;
    if (h.compression > AlphaBitFields || (h.compression == Rle8 && h.bitCount != 8) ||
        (h.compression == Rle4 && h.bitCount != 4) || (bitFields && h.bitCount != 16 && h.bitCount != 32)) {
        Refuse(L"uses a compression that bitmaps of its depth do not have (" + std::to_wstring(h.compression) + L").");
    }
    const std::uint32_t bits = h.bitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Refuse(L"has " + std::to_wstring(bits) + L" bits a pixel; bitmaps have 1, 4, 8, 16, 24 or 32.");
    }
    const std::uint64_t stride = (std::uint64_t{h.width} * bits + 31) / 32 * 4;
    RasterImage::CheckDecodedBytes(kWhat, stride * h.height);
    RasterImage::CheckDecodedBytes(kWhat, std::uint64_t{h.width} * h.height * 4);
    const std::uint32_t dataAt = Little32(file, 10);
    if (dataAt > file.size()) {
        Refuse(L"is truncated: its pixels would start beyond its end.");
    }
    const std::string_view pixels = file.substr(dataAt);
    if (!runLengths && pixels.size() < stride * h.height) {
        Refuse(L"is truncated: it has " + std::to_wstring(pixels.size()) + L" bytes of pixels of the " +
               std::to_wstring(stride * h.height) + L" its size needs.");
    }

    ImageData image;
    image.width = static_cast<int>(h.width);
    image.height = static_cast<int>(h.height);
    image.dpiX = h.dpiX;
    image.dpiY = h.dpiY;

    if (bits <= 8) {
        ReadIndices(file, h, pixels, stride, image);
    } else {
        ReadColours(h, pixels, stride, image);
    }
    return image;
}

} // namespace Document
