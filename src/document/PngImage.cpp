#include "PngImage.h"

#include "DocumentError.h"
#include "FlateCodec.h"
#include "Limits.h"
#include "PngFilter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Document {

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

// The fuzz build skips the checksums, so that the fuzzer's mutations reach
// the code behind them instead of stopping at the first CRC.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kVerifyChecksums = false;
#else
constexpr bool kVerifyChecksums = true;
#endif
const std::wstring kWhat = L"The PNG image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(L"The PNG image " + why); }

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint16_t BigEndian16(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

enum ColorType : int { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colorType = 0;
    bool interlaced = false;

    int Channels() const {
        switch (colorType) {
        case Rgb: return 3;
        case GreyAlpha: return 2;
        case Rgba: return 4;
        default: return 1;
        }
    }
    bool HasAlpha() const { return colorType == GreyAlpha || colorType == Rgba; }
    std::size_t BitsPerPixel() const { return static_cast<std::size_t>(Channels()) * bitDepth; }
    std::size_t BytesPerPixel() const { return std::max<std::size_t>(1, BitsPerPixel() / 8); }
    std::uint64_t RowBytes(std::uint64_t pixels) const { return (pixels * BitsPerPixel() + 7) / 8; }
};

// Everything the chunks say that the image needs.
struct Chunks {
    Header header;
    std::string palette;      // RGB triples
    std::string transparency; // the tRNS chunk's data
    std::string imageData;    // the IDAT chunks, joined
    std::string iccProfile;   // the iCCP chunk's profile, inflated
    double dpiX = 0;
    double dpiY = 0;
};

bool ValidDepth(int colorType, int bitDepth) {
    switch (colorType) {
    case Grey: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case ColorType::Palette: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case Rgb:
    case GreyAlpha:
    case Rgba: return bitDepth == 8 || bitDepth == 16;
    default: return false;
    }
}

Header ReadHeader(std::string_view data) {
    if (data.size() != 13) {
        Refuse(L"is damaged: its header has the wrong length.");
    }
    Header header;
    header.width = BigEndian32(data, 0);
    header.height = BigEndian32(data, 4);
    header.bitDepth = static_cast<unsigned char>(data[8]);
    header.colorType = static_cast<unsigned char>(data[9]);
    if (header.width == 0 || header.height == 0) {
        Refuse(L"is damaged: it has no pixels.");
    }
    if (header.width > Limits::kMaxImageSide || header.height > Limits::kMaxImageSide ||
        std::uint64_t{header.width} * header.height > Limits::kMaxImagePixels) {
        Refuse(L"is too large: " + std::to_wstring(header.width) + L" x " + std::to_wstring(header.height) +
               L" pixels (the converter takes at most " + std::to_wstring(Limits::kMaxImageSide) +
               L" pixels a side and " + std::to_wstring(Limits::kMaxImagePixels / 1'000'000) + L" megapixels).");
    }
    if (!ValidDepth(header.colorType, header.bitDepth)) {
        Refuse(L"is damaged: its colour type and bit depth do not go together.");
    }
    if (data[10] != 0 || data[11] != 0 || static_cast<unsigned char>(data[12]) > 1) {
        Refuse(L"uses a compression, filter or interlace method that PNG does not define.");
    }
    header.interlaced = data[12] == 1;
    return header;
}

// iCCP: the profile's name (1 to 79 bytes), a zero, the compression method
// (0, zlib) and the compressed profile.
std::string IccProfile(std::string_view data) {
    const std::size_t end = data.find('\0');
    if (end == 0 || end > 79 || end == std::string_view::npos || data.size() < end + 2 || data[end + 1] != 0) {
        Refuse(L"is damaged: its colour profile chunk is malformed.");
    }
    return FlateCodec::DecompressAtMost(data.substr(end + 2), Limits::kMaxIccProfileBytes, L"The PNG image's colour profile");
}

double DotsPerInch(std::uint32_t perMetre) { return perMetre * 0.0254; }

Chunks ReadChunks(std::string_view file) {
    if (file.size() < kSignature.size() || file.substr(0, kSignature.size()) != kSignature) {
        Refuse(L"is damaged: it does not start with the PNG signature.");
    }
    Chunks chunks;
    bool sawHeader = false;
    bool sawEnd = false;
    std::size_t at = kSignature.size();
    for (std::size_t count = 0; at < file.size() && !sawEnd; ++count) {
        if (count == Limits::kMaxPngChunks) {
            Refuse(L"has too many chunks (more than " + std::to_wstring(Limits::kMaxPngChunks) + L").");
        }
        if (file.size() - at < 12) {
            Refuse(L"is truncated: its last chunk is cut off.");
        }
        const std::uint32_t length = BigEndian32(file, at);
        if (length > 0x7fffffffu || length > file.size() - at - 12) {
            Refuse(L"is truncated or damaged: a chunk claims more bytes than the file has.");
        }
        const std::string_view type = file.substr(at + 4, 4);
        const std::string_view data = file.substr(at + 8, length);
        const std::uint32_t storedCrc = BigEndian32(file, at + 8 + length);
        at += 12 + std::size_t{length};

        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(file.data() + (at - 8 - length)), length + 4);
        const bool critical = (type[0] & 0x20) == 0;
        if (kVerifyChecksums && crc != storedCrc) {
            if (critical) {
                Refuse(L"is damaged: the checksum of its " + std::wstring(type.begin(), type.end()) +
                       L" chunk does not match.");
            }
            continue; // a damaged optional chunk is ignored, as viewers do
        }
        if (!sawHeader) {
            if (type != "IHDR") {
                Refuse(L"is damaged: it does not start with its header chunk.");
            }
            chunks.header = ReadHeader(data);
            sawHeader = true;
        } else if (type == "IDAT") {
            if (chunks.imageData.size() + data.size() > Limits::kMaxDecodedImageBytes) {
                Refuse(L"holds more compressed data than its size allows.");
            }
            chunks.imageData.append(data);
        } else if (type == "PLTE") {
            if (data.empty() || data.size() % 3 != 0 || data.size() > 256 * 3) {
                Refuse(L"is damaged: its palette has a wrong length.");
            }
            chunks.palette = data;
        } else if (type == "tRNS") {
            chunks.transparency = data;
        } else if (type == "pHYs") {
            if (data.size() == 9 && data[8] == 1) {
                chunks.dpiX = DotsPerInch(BigEndian32(data, 0));
                chunks.dpiY = DotsPerInch(BigEndian32(data, 4));
            }
        } else if (type == "iCCP" && chunks.iccProfile.empty()) {
            chunks.iccProfile = IccProfile(data);
        } else if (type == "IEND") {
            sawEnd = true;
        } else if (type == "IHDR" || critical) {
            Refuse(L"uses a chunk the converter does not know (" + std::wstring(type.begin(), type.end()) + L").");
        }
    }
    if (!sawHeader) {
        Refuse(L"is truncated: it has no header.");
    }
    if (chunks.imageData.empty()) {
        Refuse(L"has no image data.");
    }
    if (chunks.header.colorType == ColorType::Palette && chunks.palette.empty()) {
        Refuse(L"is damaged: it has no palette.");
    }
    return chunks;
}

// Adam7: where each of the seven passes starts, and its steps.
struct Pass {
    std::uint32_t x0, y0, dx, dy;
};
constexpr Pass kPasses[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

std::uint32_t PassSize(std::uint32_t size, std::uint32_t start, std::uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

// The inflated size that the header allows, filter bytes included.
std::uint64_t InflatedSize(const Header& header) {
    if (!header.interlaced) {
        return std::uint64_t{header.height} * (header.RowBytes(header.width) + 1);
    }
    std::uint64_t total = 0;
    for (const Pass& pass : kPasses) {
        const std::uint32_t w = PassSize(header.width, pass.x0, pass.dx);
        const std::uint32_t h = PassSize(header.height, pass.y0, pass.dy);
        if (w > 0 && h > 0) {
            total += std::uint64_t{h} * (header.RowBytes(w) + 1);
        }
    }
    return total;
}

// The image's rows, unfiltered and in order, without filter bytes.
std::string DecodeRows(const Chunks& chunks, std::size_t inflatedSize) {
    const Header& header = chunks.header;
    std::string inflated = FlateCodec::DecompressExactly(chunks.imageData, inflatedSize, kWhat);
    const std::size_t bpp = header.BytesPerPixel();
    const std::size_t rowBytes = header.RowBytes(header.width);
    if (!header.interlaced) {
        PngFilter::Unfilter(inflated.data(), header.height, rowBytes, bpp);
        for (std::size_t y = 0; y < header.height; ++y) {
            std::memmove(inflated.data() + y * rowBytes, inflated.data() + y * (rowBytes + 1) + 1, rowBytes);
        }
        inflated.resize(header.height * rowBytes);
        return inflated;
    }
    std::string rows(header.height * rowBytes, '\0');
    const std::size_t bitsPerPixel = header.BitsPerPixel();
    std::size_t at = 0;
    for (const Pass& pass : kPasses) {
        const std::uint32_t w = PassSize(header.width, pass.x0, pass.dx);
        const std::uint32_t h = PassSize(header.height, pass.y0, pass.dy);
        if (w == 0 || h == 0) {
            continue;
        }
        const std::size_t passRowBytes = header.RowBytes(w);
        PngFilter::Unfilter(inflated.data() + at, h, passRowBytes, bpp);
        for (std::uint32_t py = 0; py < h; ++py) {
            const auto* source = reinterpret_cast<const std::uint8_t*>(inflated.data() + at + py * (passRowBytes + 1) + 1);
            auto* target = reinterpret_cast<std::uint8_t*>(rows.data() + (pass.y0 + std::size_t{py} * pass.dy) * rowBytes);
            for (std::uint32_t px = 0; px < w; ++px) {
                const std::size_t x = pass.x0 + std::size_t{px} * pass.dx;
                if (bitsPerPixel >= 8) {
                    std::memcpy(target + x * bpp, source + px * bpp, bpp);
                } else {
                    // One sample of 1, 2 or 4 bits, most significant first.
                    const std::size_t from = px * bitsPerPixel;
                    const std::size_t to = x * bitsPerPixel;
                    const unsigned mask = (1u << bitsPerPixel) - 1;
                    const unsigned value = (source[from / 8] >> (8 - bitsPerPixel - from % 8)) & mask;
                    target[to / 8] = static_cast<std::uint8_t>(target[to / 8] | (value << (8 - bitsPerPixel - to % 8)));
                }
            }
        }
        at += h * (passRowBytes + 1);
    }
    return rows;
}

void SetFlate(ImageData& image, const std::string& rows, int colours) {
    const std::size_t bitsPerPixel = static_cast<std::size_t>(colours) * image.bitsPerComponent;
    const std::size_t rowBytes = (std::size_t(image.width) * bitsPerPixel + 7) / 8;
    image.encoding = ImageEncoding::Flate;
    image.predictor = RowPredictor{colours, image.bitsPerComponent, image.width};
    image.data = FlateCodec::Compress(
        PngFilter::Filter(rows, image.height, rowBytes, std::max<std::size_t>(1, bitsPerPixel / 8)));
}

std::shared_ptr<ImageData> SoftMask(const ImageData& image, const std::string& alphaRows, int bitsPerComponent) {
    auto mask = std::make_shared<ImageData>();
    mask->width = image.width;
    mask->height = image.height;
    mask->bitsPerComponent = bitsPerComponent;
    mask->colourModel = ColourModel::Gray;
    SetFlate(*mask, alphaRows, 1);
    return mask;
}

// The colour key of a grey or RGB image's tRNS chunk, or none when the
// chunk does not fit the image (viewers ignore such a chunk too).
std::vector<int> ColourKey(const Chunks& chunks) {
    const Header& header = chunks.header;
    const std::size_t samples = header.colorType == Grey ? 1 : 3;
    if (chunks.transparency.size() != samples * 2) {
        return {};
    }
    const unsigned maximum = (1u << header.bitDepth) - 1;
    std::vector<int> key;
    for (std::size_t i = 0; i < samples; ++i) {
        const unsigned value = BigEndian16(chunks.transparency, i * 2);
        if (value > maximum) {
            return {};
        }
        key.push_back(static_cast<int>(value));
        key.push_back(static_cast<int>(value));
    }
    return key;
}

// The alpha of each pixel of a palette image, one byte a pixel, from its
// packed rows of indices and the alphas of the tRNS chunk.
std::string AlphaOfIndices(const Header& header, const std::string& rows, std::string_view alphas) {
    const std::size_t rowBytes = header.RowBytes(header.width);
    const unsigned depth = static_cast<unsigned>(header.bitDepth);
    std::string alpha(std::size_t(header.width) * header.height, '\xff');
    for (std::size_t y = 0; y < header.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(rows.data() + y * rowBytes);
        for (std::size_t x = 0; x < header.width; ++x) {
            const std::size_t bit = x * depth;
            const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
            if (index < alphas.size()) {
                alpha[y * header.width + x] = alphas[index];
            }
        }
    }
    return alpha;
}

// Checks the inflated rows as they stream past, without keeping them: the
// size (by the codec) and each row's filter type.
FlateCodec::StreamEnd VerifyRows(const Chunks& chunks, std::size_t inflatedSize) {
    const std::size_t stride = chunks.header.RowBytes(chunks.header.width) + 1;
    std::size_t offset = 0;
    return FlateCodec::Decompress(chunks.imageData, inflatedSize, kWhat, [&](std::string_view piece) {
        std::size_t next = (stride - offset % stride) % stride;
        for (; next < piece.size(); next += stride) {
            if (static_cast<unsigned char>(piece[next]) > 4) {
                Refuse(L"is damaged: a row has an unknown filter type.");
            }
        }
        offset += piece.size();
    });
}

} // namespace

ImageData ReadPngImage(std::string_view file) {
    const Chunks chunks = ReadChunks(file);
    const Header& header = chunks.header;
    const std::uint64_t inflatedSize = InflatedSize(header);
    const std::uint64_t packedSize = std::uint64_t{header.height} * header.RowBytes(header.width);
    if (inflatedSize > Limits::kMaxDecodedImageBytes || packedSize > Limits::kMaxDecodedImageBytes) {
        Refuse(L"is too large to decode: " + std::to_wstring(inflatedSize >> 20) + L" MiB of image data (at most " +
               std::to_wstring(Limits::kMaxDecodedImageBytes >> 20) + L" MiB).");
    }

    ImageData image;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.bitsPerComponent = header.bitDepth;
    image.dpiX = chunks.dpiX;
    image.dpiY = chunks.dpiY;
    image.iccProfile = chunks.iccProfile;
    const int colors = header.colorType == Rgb || header.colorType == Rgba ? 3 : 1;
    std::string paletteAlphas;
    if (header.colorType == ColorType::Palette) {
        // Padded to every index the depth can express, so no index is out of range.
        std::string palette = chunks.palette;
        const std::size_t entries = std::size_t{1} << header.bitDepth;
        palette.resize(entries * 3, '\0');
        image.colourModel = ColourModel::Indexed;
        image.palette = Document::Palette{ColourModel::Rgb, palette};
        paletteAlphas = chunks.transparency.substr(0, std::min(chunks.transparency.size(), chunks.palette.size() / 3));
        if (std::all_of(paletteAlphas.begin(), paletteAlphas.end(), [](char a) { return a == '\xff'; })) {
            paletteAlphas.clear();
        }
    } else {
        image.colourModel = colors == 3 ? ColourModel::Rgb : ColourModel::Gray;
        if (!header.HasAlpha()) {
            image.colourKey = ColourKey(chunks);
        }
    }

    if (!header.interlaced && !header.HasAlpha()) {
        if (VerifyRows(chunks, inflatedSize) == FlateCodec::StreamEnd::Clean) {
            image.encoding = ImageEncoding::Flate;
            image.predictor = RowPredictor{colors, header.bitDepth, image.width};
            image.data = chunks.imageData;
            if (!paletteAlphas.empty()) {
                image.softMask = SoftMask(image, AlphaOfIndices(header, DecodeRows(chunks, inflatedSize), paletteAlphas), 8);
            }
            return image;
        }
    }

    std::string rows = DecodeRows(chunks, inflatedSize);
    if (header.HasAlpha()) {
        const std::size_t sampleBytes = header.bitDepth / 8;
        const std::size_t colorBytes = colors * sampleBytes;
        const std::size_t pixels = std::size_t{header.width} * header.height;
        std::string color(pixels * colorBytes, '\0');
        std::string alpha(pixels * sampleBytes, '\0');
        for (std::size_t i = 0; i < pixels; ++i) {
            std::memcpy(color.data() + i * colorBytes, rows.data() + i * (colorBytes + sampleBytes), colorBytes);
            std::memcpy(alpha.data() + i * sampleBytes, rows.data() + i * (colorBytes + sampleBytes) + colorBytes,
                        sampleBytes);
        }
        rows = std::string();
        if (!std::all_of(alpha.begin(), alpha.end(), [](char a) { return a == '\xff'; })) {
            image.softMask = SoftMask(image, alpha, header.bitDepth);
        }
        SetFlate(image, color, colors);
        return image;
    }
    if (!paletteAlphas.empty()) {
        image.softMask = SoftMask(image, AlphaOfIndices(header, rows, paletteAlphas), 8);
    }
    SetFlate(image, rows, colors);
    return image;
}

} // namespace Document
