#include "GifImage.h"

#include "ByteReader.h"
#include "DocumentError.h"
#include "Limits.h"
#include "Lzw.h"
#include "RasterImage.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The GIF image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

// A block's numbers, little-endian as GIF's are.
ByteReader Numbers(std::string_view bytes) { return ByteReader(bytes, ByteOrder::LittleEndian, L"The GIF image", L"data"); }
unsigned Byte(std::string_view bytes, std::size_t at) { return Numbers(bytes).U8(at); }
unsigned Little16(std::string_view bytes, std::size_t at) { return Numbers(bytes).U16(at); }

// Reads bytes in order, refusing a file that ends before them.
class Cursor {
public:
    explicit Cursor(std::string_view file) : file_(file) {}

    std::string_view Take(std::size_t count) {
        if (file_.size() - at_ < count) {
            Refuse(L"is truncated: it ends before its first image's data.");
        }
        const std::string_view bytes = file_.substr(at_, count);
        at_ += count;
        return bytes;
    }
    unsigned TakeByte() { return Byte(Take(1), 0); }

    // Data sub-blocks up to their terminator, joined.
    std::string TakeSubBlocks() {
        std::string joined;
        for (unsigned size = TakeByte(); size != 0; size = TakeByte()) {
            joined.append(Take(size));
        }
        return joined;
    }

private:
    std::string_view file_;
    std::size_t at_ = 0;
};

// A colour table of 2^(n+1) RGB entries when `flags` says there is one.
std::optional<std::string> ColourTable(Cursor& cursor, unsigned flags) {
    if ((flags & 0x80) == 0) {
        return std::nullopt;
    }
    return std::string(cursor.Take(3 * (std::size_t{2} << (flags & 7))));
}

// The rows of an interlaced image in the order the file stores them.
std::size_t StoredRow(std::size_t index, std::size_t height) {
    static constexpr std::size_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::size_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const std::size_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (index < rows) {
            return kStart[pass] + index * kStep[pass];
        }
        index -= rows;
    }
    return 0;
}

// The blocks up to the first image's descriptor, skipped: the transparent
// index a graphic control block before it names, if any.
std::optional<unsigned> SkipToImage(Cursor& cursor) {
    std::optional<unsigned> transparent;
    for (;;) {
        const unsigned introducer = cursor.TakeByte();
        if (introducer == 0x3b) {
            Refuse(L"has no image.");
        }
        if (introducer == 0x21) {
            const unsigned label = cursor.TakeByte();
            const std::string data = cursor.TakeSubBlocks();
            if (label == 0xf9 && data.size() >= 4) { // graphic control: the transparent index
                transparent = (Byte(data, 0) & 1) ? std::optional<unsigned>(Byte(data, 3)) : std::nullopt;
            }
            continue;
        }
        if (introducer != 0x2c) {
            Refuse(L"is damaged: it holds a block the format does not have.");
        }
        return transparent;
    }
}

// The page's indices against the colour table, at the fewest bits that hold
// every index the pixels use (the table padded to them), with the alpha as
// the soft mask.
ImageData IndexedPage(const std::string& page, std::string alpha, unsigned pageWidth, unsigned pageHeight,
                      const std::string& table) {
    ImageData image;
    image.width = static_cast<int>(pageWidth);
    image.height = static_cast<int>(pageHeight);
    image.colourModel = ColourModel::Indexed;
    const unsigned highest = static_cast<unsigned char>(*std::max_element(page.begin(), page.end()));
    int bits = 1;
    while ((1u << bits) <= std::max<unsigned>(highest, table.size() / 3 - 1)) {
        bits *= 2;
    }
    image.bitsPerComponent = bits;
    Palette palette;
    palette.base = ColourModel::Rgb;
    palette.entries = table;
    palette.entries.resize(std::size_t{3} << bits, '\0');
    image.palette = std::move(palette);
    image.data = RasterImage::PackRows(page, image.width, image.height, bits);
    image.softMask = RasterImage::SoftMask(image.width, image.height, std::move(alpha));
    return image;
}

} // namespace

ImageData ReadGifImage(std::string_view file) {
    Cursor cursor(file);
    const std::string_view signature = cursor.Take(6);
    if (signature != "GIF87a" && signature != "GIF89a") {
        Refuse(L"is damaged: it does not start with the GIF signature.");
    }
    const std::string_view screen = cursor.Take(7);
    const unsigned screenWidth = Little16(screen, 0);
    const unsigned screenHeight = Little16(screen, 2);
    const std::optional<std::string> globalTable = ColourTable(cursor, Byte(screen, 4));
    const std::optional<unsigned> transparent = SkipToImage(cursor);
    const std::string_view descriptor = cursor.Take(9);
    const unsigned left = Little16(descriptor, 0);
    const unsigned top = Little16(descriptor, 2);
    const unsigned width = Little16(descriptor, 4);
    const unsigned height = Little16(descriptor, 6);
    const unsigned flags = Byte(descriptor, 8);
    RasterImage::CheckSize(kWhat, width, height);
    const std::optional<std::string> localTable = ColourTable(cursor, flags);
    const std::optional<std::string>& table = localTable ? localTable : globalTable;
    if (!table) {
        Refuse(L"has no colour table.");
    }
    const int codeSize = static_cast<int>(cursor.TakeByte());
    if (codeSize < 2 || codeSize > 8) {
        Refuse(L"is damaged: its LZW code size is " + std::to_wstring(codeSize) + L" (GIF's are 2 to 8).");
    }
    const std::size_t pixelCount = std::size_t{width} * height;
    const std::string compressed = cursor.TakeSubBlocks();
    const std::string indices = Lzw::Decode(compressed, Lzw::Dialect::Gif, codeSize, pixelCount, kWhat);
    if (indices.size() < pixelCount) {
        Refuse(L"is truncated: its image data gives " + std::to_wstring(indices.size()) + L" of its " +
               std::to_wstring(pixelCount) + L" pixels.");
    }

    // The image on its logical screen when it lies within it (the screen
    // outside it transparent, as viewers show it); else the image alone. A
    // screen beyond the limits, or of more than four times the image's area,
    // is not taken either: its pixels would cost what no data pays for.
    const std::uint64_t screenArea = std::uint64_t{screenWidth} * screenHeight;
    const bool screenFits = screenWidth <= Limits::kMaxImageSide && screenHeight <= Limits::kMaxImageSide &&
                            screenArea <= Limits::kMaxImagePixels && screenArea <= 4 * std::uint64_t{width} * height;
    const bool onScreen = screenFits && left + width <= screenWidth && top + height <= screenHeight &&
                          (screenWidth != width || screenHeight != height);
    const unsigned pageWidth = onScreen ? screenWidth : width;
    const unsigned pageHeight = onScreen ? screenHeight : height;
    const unsigned offsetX = onScreen ? left : 0;
    const unsigned offsetY = onScreen ? top : 0;
    const std::size_t pagePixels = std::size_t{pageWidth} * pageHeight;
    std::string page(pagePixels, '\0');
    std::string alpha(pagePixels, onScreen ? '\0' : '\xff');
    const bool interlaced = (flags & 0x40) != 0;
    for (std::size_t stored = 0; stored < height; ++stored) {
        const std::size_t y = interlaced ? StoredRow(stored, height) : stored;
        for (std::size_t x = 0; x < width; ++x) {
            const char index = indices[stored * width + x];
            const std::size_t at = (offsetY + y) * pageWidth + offsetX + x;
            page[at] = index;
            alpha[at] = transparent && static_cast<unsigned char>(index) == *transparent ? '\0' : '\xff';
        }
    }

    return IndexedPage(page, alpha, pageWidth, pageHeight, *table);
}

} // namespace Document
