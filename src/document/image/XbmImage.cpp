#include "XbmImage.h"

#include "DocumentError.h"
#include "RasterImage.h"

#include <cstdint>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The X bitmap (XBM)";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

// The number of "#define <name><suffix> <n>".
std::uint32_t Defined(std::string_view file, std::string_view suffix) {
    for (std::size_t at = file.find("#define"); at != std::string_view::npos; at = file.find("#define", at + 1)) {
        const std::size_t nameEnd = file.find_first_of(" \t", file.find_first_not_of(" \t", at + 7));
        if (nameEnd == std::string_view::npos || nameEnd < suffix.size() ||
            file.substr(nameEnd - suffix.size(), suffix.size()) != suffix) {
            continue;
        }
        std::size_t digit = file.find_first_not_of(" \t", nameEnd);
        std::uint64_t value = 0;
        const std::size_t start = digit;
        while (digit < file.size() && file[digit] >= '0' && file[digit] <= '9' && value <= 0xFFFFFFFFu) {
            value = value * 10 + static_cast<unsigned>(file[digit++] - '0');
        }
        if (digit == start || value > 0xFFFFFFFFu) {
            break;
        }
        return static_cast<std::uint32_t>(value);
    }
    Refuse(L"is damaged: it defines no " + std::wstring(suffix.begin(), suffix.end()) + L".");
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

ImageData ReadXbmImage(std::string_view file) {
    const std::uint32_t width = Defined(file, "_width");
    const std::uint32_t height = Defined(file, "_height");
    RasterImage::CheckSize(kWhat, width, height);
    const std::size_t array = file.find("_bits[]");
    const std::size_t open = array == std::string_view::npos ? array : file.find('{', array);
    if (open == std::string_view::npos) {
        Refuse(L"is damaged: it has no array of bits.");
    }
    // X10 wrote its rows in shorts: "short" stands between the width and the array.
    const bool shorts = file.substr(0, array).find("short") != std::string_view::npos;
    const int unitBits = shorts ? 16 : 8;
    const std::uint64_t unitsPerRow = (std::uint64_t{width} + unitBits - 1) / unitBits;
    const std::uint64_t units = unitsPerRow * height;
    ImageData image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.colourModel = ColourModel::Gray;
    image.bitsPerComponent = 1;
    std::string pixels;
    pixels.reserve(static_cast<std::size_t>(std::uint64_t{width} * height));
    std::size_t at = open + 1;
    for (std::uint64_t unit = 0; unit < units; ++unit) {
        at = file.find("0x", at);
        if (at == std::string_view::npos) {
            Refuse(L"is truncated: its array ends before its last row.");
        }
        at += 2;
        unsigned value = 0;
        int digits = 0;
        for (int digit; at < file.size() && (digit = HexDigit(file[at])) >= 0 && digits < unitBits / 4; ++at, ++digits) {
            value = value << 4 | static_cast<unsigned>(digit);
        }
        if (digits == 0) {
            Refuse(L"is damaged: a number of its array has no digits.");
        }
        // The first pixel is the lowest bit, and a set bit is black: the PDF's 0.
        const std::uint64_t column = (unit % unitsPerRow) * unitBits;
        for (int bit = 0; bit < unitBits && column + bit < width; ++bit) {
            pixels += static_cast<char>((value >> bit) & 1 ? 0 : 1);
        }
    }
    image.data = RasterImage::PackRows(pixels, image.width, image.height, 1);
    return image;
}

} // namespace Document
