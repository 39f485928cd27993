#include "PngImage.h"

#include "ByteReader.h"
#include "DocumentError.h"
#include "FlateCodec.h"
#include "Limits.h"
#include "PackedSamples.h"
#include "PngFilter.h"
#include "RasterImage.h"

#include <zlib.h>

#include <algorithm>
#include <functional>
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

// A chunk's numbers, big-endian.
ByteReader Numbers(std::string_view bytes, std::wstring_view part) {
    return ByteReader(bytes, ByteOrder::BigEndian, L"The PNG image", part);
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
    const ByteReader numbers = Numbers(data, L"header");
    Header header;
    header.width = numbers.U32(0);
    header.height = numbers.U32(4);
    header.bitDepth = numbers.U8(8);
    header.colorType = numbers.U8(9);
    RasterImage::CheckSize(kWhat, header.width, header.height);
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
        const ByteReader numbers = Numbers(file, L"file");
        const std::uint32_t length = numbers.U32(at);
        if (length > 0x7fffffffu || length > file.size() - at - 12) {
            Refuse(L"is truncated or damaged: a chunk claims more bytes than the file has.");
        }
        const std::string_view type = file.substr(at + 4, 4);
        const std::string_view data = file.substr(at + 8, length);
        const std::uint32_t storedCrc = numbers.U32(at + 8 + length);
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
                const ByteReader physical = Numbers(data, L"pHYs chunk");
                chunks.dpiX = DotsPerInch(physical.U32(0), ResolutionUnit::Metre);
                chunks.dpiY = DotsPerInch(physical.U32(4), ResolutionUnit::Metre);
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

// The rows of the inflated image data as they stream past: each row's filter
// type checked and, when `unfilter`, the filter undone against the row above
// (of the same interlace pass), then handed on with its pass (0 for an image
// that is not interlaced) and its number in the pass.
class RowStream {
public:
    using RowSink = std::function<void(int pass, std::uint32_t row, const std::uint8_t* bytes)>;

    RowStream(const Header& header, bool unfilter, RowSink sink)
        : header_(header), unfilter_(unfilter), sink_(std::move(sink)) {
        NextPass(header.interlaced ? 0 : -1);
    }

    void Feed(std::string_view piece) {
        while (!piece.empty() && pass_ < 7) {
            const std::size_t take = std::min(piece.size(), line_.size() - filled_);
            std::memcpy(line_.data() + filled_, piece.data(), take);
            filled_ += take;
            piece.remove_prefix(take);
            if (filled_ == line_.size()) {
                EndRow();
            }
        }
    }

private:
    // `pass` -1: the whole image as one pass.
    void NextPass(int pass) {
        for (pass_ = pass; pass_ < 7; ++pass_) {
            width_ = pass_ < 0 ? header_.width : PassSize(header_.width, kPasses[pass_].x0, kPasses[pass_].dx);
            height_ = pass_ < 0 ? header_.height : PassSize(header_.height, kPasses[pass_].y0, kPasses[pass_].dy);
            if (width_ > 0 && height_ > 0) {
                break;
            }
        }
        const std::size_t stride = header_.RowBytes(width_) + 1;
        line_.assign(stride, 0);
        prior_.assign(stride, 0);
        row_ = 0;
        filled_ = 0;
    }

    void EndRow() {
        const std::size_t rowBytes = line_.size() - 1;
        if (unfilter_) {
            PngFilter::UnfilterRow(line_[0], line_.data() + 1, row_ == 0 ? nullptr : prior_.data() + 1, rowBytes,
                                   header_.BytesPerPixel());
        } else if (line_[0] > 4) {
            Refuse(L"is damaged: a row has an unknown filter type.");
        }
        sink_(std::max(pass_, 0), row_, line_.data() + 1);
        line_.swap(prior_);
        filled_ = 0;
        if (++row_ == height_) {
            NextPass(pass_ < 0 ? 7 : pass_ + 1);
        }
    }

    const Header& header_;
    bool unfilter_;
    RowSink sink_;
    int pass_ = 0;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t row_ = 0;
    std::vector<std::uint8_t> line_;
    std::vector<std::uint8_t> prior_;
    std::size_t filled_ = 0;
};

// One pass over the image data: inflated, its size checked (by the codec),
// each row checked and handed to `sink`.
FlateCodec::StreamEnd StreamRows(const Chunks& chunks, std::size_t inflatedSize, bool unfilter,
                                 RowStream::RowSink sink) {
    RowStream rows(chunks.header, unfilter, std::move(sink));
    return FlateCodec::Decompress(chunks.imageData, inflatedSize, kWhat, [&](std::string_view piece) { rows.Feed(piece); });
}

// The image's rows, unfiltered and in order (Adam7 undone), in one pass.
std::string DecodeRows(const Chunks& chunks, std::size_t inflatedSize) {
    const Header& header = chunks.header;
    const std::size_t rowBytes = header.RowBytes(header.width);
    std::string rows(header.height * rowBytes, '\0');
    auto* target = reinterpret_cast<std::uint8_t*>(rows.data());
    const std::size_t bitsPerPixel = header.BitsPerPixel();
    const std::size_t bpp = header.BytesPerPixel();
    StreamRows(chunks, inflatedSize, true, [&](int pass, std::uint32_t y, const std::uint8_t* source) {
        if (!header.interlaced) {
            std::memcpy(target + y * rowBytes, source, rowBytes);
            return;
        }
        const Pass& p = kPasses[pass];
        std::uint8_t* row = target + (p.y0 + std::size_t{y} * p.dy) * rowBytes;
        const std::uint32_t w = PassSize(header.width, p.x0, p.dx);
        for (std::uint32_t px = 0; px < w; ++px) {
            const std::size_t x = p.x0 + std::size_t{px} * p.dx;
            if (bitsPerPixel >= 8) {
                std::memcpy(row + x * bpp, source + px * bpp, bpp);
            } else {
                const int bits = static_cast<int>(bitsPerPixel);
                PackedSamples::Write(row, x, bits, PackedSamples::Read(source, px, bits));
            }
        }
    });
    return rows;
}

// The colour key of a grey or RGB image's tRNS chunk, or none when the
// chunk does not fit the image (viewers ignore such a chunk too).
std::vector<int> ColourKey(const Chunks& chunks) {
    const Header& header = chunks.header;
    const std::size_t samples = header.colorType == Grey ? 1 : 3;
    if (chunks.transparency.size() != samples * 2) {
        return {};
    }
    const ByteReader transparency = Numbers(chunks.transparency, L"tRNS chunk");
    const unsigned maximum = (1u << header.bitDepth) - 1;
    std::vector<int> key;
    for (std::size_t i = 0; i < samples; ++i) {
        const unsigned value = transparency.U16(i * 2);
        if (value > maximum) {
            return {};
        }
        key.push_back(static_cast<int>(value));
        key.push_back(static_cast<int>(value));
    }
    return key;
}

// Puts the alpha of each pixel of a row of palette indices, one byte a
// pixel, from the alphas of the tRNS chunk.
void AlphaOfIndices(const Header& header, const std::uint8_t* row, std::string_view alphas, char* alpha) {
    for (std::size_t x = 0; x < header.width; ++x) {
        const unsigned index = PackedSamples::Read(row, x, header.bitDepth);
        alpha[x] = index < alphas.size() ? alphas[index] : '\xff';
    }
}

// The decoded rows of an image with an alpha channel, split into its colour
// and its soft mask.
void SplitAlpha(ImageData& image, const Header& header, const std::string& rows, int colours) {
    const std::size_t sampleBytes = header.bitDepth / 8;
    const std::size_t colourBytes = colours * sampleBytes;
    const std::size_t pixels = std::size_t{header.width} * header.height;
    std::string colour(pixels * colourBytes, '\0');
    std::string alpha(pixels * sampleBytes, '\0');
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(colour.data() + i * colourBytes, rows.data() + i * (colourBytes + sampleBytes), colourBytes);
        std::memcpy(alpha.data() + i * sampleBytes, rows.data() + i * (colourBytes + sampleBytes) + colourBytes,
                    sampleBytes);
    }
    image.softMask = RasterImage::SoftMask(image.width, image.height, std::move(alpha), header.bitDepth);
    image.data = std::move(colour);
}

} // namespace

ImageData ReadPngImage(std::string_view file) {
    const Chunks chunks = ReadChunks(file);
    const Header& header = chunks.header;
    const std::uint64_t inflatedSize = InflatedSize(header);
    RasterImage::CheckDecodedBytes(kWhat, std::max(inflatedSize, std::uint64_t{header.height} * header.RowBytes(header.width)));

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

    // Decided before inflating: the file's data passes through unless the
    // pixels must be rearranged (interlaced) or split (an alpha channel).
    // Then one pass checks the rows, and keeps what is needed of them: the
    // alpha of palette indices, or the rows themselves.
    if (!header.interlaced && !header.HasAlpha()) {
        std::string alpha;
        if (!paletteAlphas.empty()) {
            alpha.assign(std::size_t{header.width} * header.height, '\xff');
        }
        const auto end = StreamRows(chunks, inflatedSize, !alpha.empty(), [&](int, std::uint32_t y, const std::uint8_t* row) {
            if (!alpha.empty()) {
                AlphaOfIndices(header, row, paletteAlphas, alpha.data() + std::size_t{y} * header.width);
            }
        });
        if (!alpha.empty()) {
            image.softMask = RasterImage::SoftMask(image.width, image.height, std::move(alpha));
        }
        if (end == FlateCodec::StreamEnd::Clean) {
            image.encoding = ImageEncoding::Flate;
            image.predictor = RowPredictor{colors, header.bitDepth, image.width};
            image.data = chunks.imageData;
            return image;
        }
        // Data after the stream's end, or a stream cut short after its last
        // row: a PDF reader may refuse that, so the rows (all there) are
        // decoded once more and handed on plain.
    }

    std::string rows = DecodeRows(chunks, inflatedSize);
    if (header.HasAlpha()) {
        SplitAlpha(image, header, rows, colors);
        return image;
    }
    if (!paletteAlphas.empty() && !image.softMask) {
        std::string alpha(std::size_t{header.width} * header.height, '\xff');
        const std::size_t rowBytes = header.RowBytes(header.width);
        for (std::size_t y = 0; y < header.height; ++y) {
            AlphaOfIndices(header, reinterpret_cast<const std::uint8_t*>(rows.data() + y * rowBytes), paletteAlphas,
                           alpha.data() + y * header.width);
        }
        image.softMask = RasterImage::SoftMask(image.width, image.height, std::move(alpha));
    }
    image.data = std::move(rows);
    return image;
}

} // namespace Document
