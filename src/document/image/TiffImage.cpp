#include "TiffImage.h"

#include "CcittGroup4.h"
#include "DocumentError.h"
#include "FlateCodec.h"
#include "Limits.h"
#include "Lzw.h"
#include "PackedSamples.h"
#include "RasterImage.h"
#include "TiffDirectory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The TIFF image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

enum Compression : std::uint32_t {
    kNone = 1,
    kCcittRle = 2,
    kCcittGroup3 = 3,
    kCcittGroup4 = 4,
    kLzw = 5,
    kOldJpeg = 6,
    kJpeg = 7,
    kAdobeDeflate = 8,
    kPackBits = 32773,
    kDeflate = 32946,
};

enum Photometric : std::uint32_t { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPalette = 3, kSeparated = 5, kYCbCr = 6 };

std::wstring CompressionName(std::uint32_t compression) {
    switch (compression) {
    case kOldJpeg: return L"old-style JPEG (6)";
    case 34712: return L"JPEG 2000 (34712)";
    case 34925: return L"LZMA (34925)";
    case 50000: return L"Zstandard (50000)";
    case 50001: return L"WebP (50001)";
    case 34676: case 34677: return L"SGI LogLuv (" + std::to_wstring(compression) + L")";
    default: return std::to_wstring(compression);
    }
}

// The facts of one directory that its pixels depend on.
struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int samples = 1;
    int bits = 1;
    std::uint32_t compression = kNone;
    std::uint32_t photometric = kBlackIsZero;
    bool planar = false; // PlanarConfiguration 2: one plane a sample
    std::uint32_t predictor = 1;
    bool reversedBits = false; // FillOrder 2: each byte's bits least significant first
    bool littleEndian = false;
    bool tiled = false;
    std::uint32_t chunkWidth = 0; // a strip's or tile's size in pixels
    std::uint32_t chunkHeight = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> counts;

    std::uint32_t Across() const { return (width + chunkWidth - 1) / chunkWidth; }
    std::uint32_t Down() const { return (height + chunkHeight - 1) / chunkHeight; }
    int PlaneSamples() const { return planar ? 1 : samples; }
};

Layout ReadLayout(const TiffDirectory& directory, bool bigEndian) {
    Layout layout;
    layout.littleEndian = !bigEndian;
    layout.width = directory.Value(kImageWidth, 0);
    layout.height = directory.Value(kImageLength, 0);
    RasterImage::CheckSize(kWhat, layout.width, layout.height);
    layout.samples = static_cast<int>(directory.Value(kSamplesPerPixel, 1));
    if (layout.samples < 1 || layout.samples > 8) {
        Refuse(L"has " + std::to_wstring(layout.samples) + L" samples a pixel (the converter takes 1 to 8).");
    }
    const std::vector<std::uint32_t> bits = directory.Values(kBitsPerSample);
    layout.bits = bits.empty() ? 1 : static_cast<int>(bits[0]);
    if (std::any_of(bits.begin(), bits.end(), [&](std::uint32_t b) { return b != bits[0]; })) {
        Refuse(L"has samples of different sizes in one pixel, which the converter does not take.");
    }
    if (layout.bits < 1 || layout.bits > 16) {
        Refuse(L"has " + std::to_wstring(layout.bits) + L"-bit samples (the converter takes 1 to 16 bits).");
    }
    if (directory.Value(kSampleFormat, 1) != 1) {
        Refuse(L"has signed or floating-point samples, which the converter does not take.");
    }
    layout.compression = directory.Value(kCompression, kNone);
    const bool fax = layout.compression == kCcittRle || layout.compression == kCcittGroup3 ||
                     layout.compression == kCcittGroup4;
    layout.photometric = directory.Value(kPhotometric, fax ? kWhiteIsZero : kBlackIsZero);
    layout.planar = directory.Value(kPlanarConfiguration, 1) == 2 && layout.samples > 1;
    layout.predictor = directory.Value(kPredictor, 1);
    layout.reversedBits = directory.Value(kFillOrder, 1) == 2;

    const bool tiled = directory.Has(kTileWidth) || directory.Has(kTileOffsets);
    layout.tiled = tiled;
    if (tiled) {
        layout.chunkWidth = directory.Value(kTileWidth, 0);
        layout.chunkHeight = directory.Value(kTileLength, 0);
        layout.offsets = directory.Values(kTileOffsets);
        layout.counts = directory.Values(kTileByteCounts);
        if (layout.chunkWidth == 0 || layout.chunkHeight == 0 || layout.chunkWidth > Limits::kMaxImageSide ||
            layout.chunkHeight > Limits::kMaxImageSide) {
            Refuse(L"is damaged: its tiles have no size, or one beyond the limits.");
        }
    } else {
        layout.chunkWidth = layout.width;
        layout.chunkHeight = std::min(directory.Value(kRowsPerStrip, layout.height), layout.height);
        if (layout.chunkHeight == 0) {
            layout.chunkHeight = layout.height;
        }
        layout.offsets = directory.Values(kStripOffsets);
        layout.counts = directory.Values(kStripByteCounts);
        if (layout.counts.empty() && layout.compression == kNone && layout.offsets.size() == 1) {
            layout.counts.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(
                RasterImage::RowBytes(layout.width, layout.samples, layout.bits) * layout.height, 0xffffffffu)));
        }
    }
    const std::uint64_t chunks = std::uint64_t{layout.Across()} * layout.Down() * (layout.planar ? layout.samples : 1);
    if (layout.offsets.size() < chunks || layout.counts.size() < chunks) {
        Refuse(L"is damaged: it lists fewer " + std::wstring(tiled ? L"tiles" : L"strips") + L" than its size needs.");
    }
    layout.offsets.resize(chunks);
    layout.counts.resize(chunks);
    return layout;
}

// The compressed bytes of strip or tile `index`, FillOrder undone.
std::string ChunkBytes(std::string_view file, const Layout& layout, std::size_t index) {
    const std::uint64_t at = layout.offsets[index];
    const std::uint64_t count = layout.counts[index];
    if (at > file.size() || file.size() - at < count) {
        Refuse(L"is truncated: a strip or tile lies beyond its end.");
    }
    std::string bytes(file.substr(at, count));
    if (layout.reversedBits) {
        for (char& c : bytes) {
            auto b = static_cast<unsigned char>(c);
            b = static_cast<unsigned char>(((b & 0xf0) >> 4) | ((b & 0x0f) << 4));
            b = static_cast<unsigned char>(((b & 0xcc) >> 2) | ((b & 0x33) << 2));
            b = static_cast<unsigned char>(((b & 0xaa) >> 1) | ((b & 0x55) << 1));
            c = static_cast<char>(b);
        }
    }
    return bytes;
}

std::string UnpackBits(std::string_view data, std::size_t expected) {
    std::string out;
    std::size_t at = 0;
    while (at < data.size() && out.size() < expected) {
        const auto n = static_cast<signed char>(data[at++]);
        if (n >= 0) {
            const std::size_t count = std::min<std::size_t>(std::size_t(n) + 1, data.size() - at);
            out.append(data.substr(at, count));
            at += count;
        } else if (n != -128 && at < data.size()) {
            out.append(std::size_t(1 - n), data[at++]);
        }
    }
    return out;
}

// A strip's or tile's bytes decompressed: exactly `expected` bytes.
std::string Decompress(const std::string& data, const Layout& layout, std::size_t expected) {
    std::string out;
    switch (layout.compression) {
    case kNone: out = data.substr(0, expected); break;
    case kLzw:
        // The first LZW writers put their codes least significant bit first; their strips start so.
        if (data.size() >= 2 && data[0] == 0 && (data[1] & 1) != 0) {
            Refuse(L"uses the old form of LZW compression, which the converter does not take.");
        }
        out = Lzw::Decode(data, Lzw::Dialect::Tiff, 8, expected, kWhat);
        break;
    case kAdobeDeflate:
    case kDeflate: {
        FlateCodec::StreamEnd end;
        return FlateCodec::DecompressExactly(data, expected, kWhat, &end);
    }
    case kPackBits: out = UnpackBits(data, expected); break;
    default: Refuse(L"uses compression " + CompressionName(layout.compression) + L", which the converter does not take.");
    }
    if (out.size() < expected) {
        Refuse(L"is truncated or damaged: a strip or tile gives " + std::to_wstring(out.size()) + L" of its " +
               std::to_wstring(expected) + L" bytes.");
    }
    out.resize(expected);
    return out;
}

// Undoes the horizontal predictor (2) on rows of 8 or 16-bit samples, the
// 16-bit ones still in the file's byte order.
void UndoPredictor(std::string& rows, const Layout& layout, std::size_t rowBytes, std::size_t rowCount) {
    const std::size_t stride = layout.PlaneSamples();
    for (std::size_t y = 0; y < rowCount; ++y) {
        auto* row = reinterpret_cast<unsigned char*>(rows.data() + y * rowBytes);
        if (layout.bits == 8) {
            for (std::size_t i = stride; i < rowBytes; ++i) {
                row[i] = static_cast<unsigned char>(row[i] + row[i - stride]);
            }
            continue;
        }
        const int high = layout.littleEndian ? 1 : 0;
        for (std::size_t i = stride; i < rowBytes / 2; ++i) {
            const unsigned sum = ((row[2 * i + high] << 8) | row[2 * i + 1 - high]) +
                                 ((row[2 * (i - stride) + high] << 8) | row[2 * (i - stride) + 1 - high]);
            row[2 * i + high] = static_cast<unsigned char>(sum >> 8);
            row[2 * i + 1 - high] = static_cast<unsigned char>(sum);
        }
    }
}

// Every plane's rows, decoded and in place: one plane when the samples are
// interleaved, one a sample otherwise. 16-bit samples come out big-endian.
std::vector<std::string> DecodePlanes(std::string_view file, const Layout& layout) {
    if (layout.predictor == 2 && layout.bits != 8 && layout.bits != 16) {
        Refuse(L"uses the horizontal predictor on " + std::to_wstring(layout.bits) +
               L"-bit samples, which the converter does not take.");
    }
    if (layout.predictor != 1 && layout.predictor != 2) {
        Refuse(L"uses predictor " + std::to_wstring(layout.predictor) + L", which the converter does not take.");
    }
    const int planeSamples = layout.PlaneSamples();
    if ((std::uint64_t{layout.chunkWidth} * planeSamples * layout.bits) % 8 != 0 && layout.Across() > 1) {
        Refuse(L"is damaged: its tiles do not start on a byte.");
    }
    const std::size_t rowBytes = RasterImage::RowBytes(layout.width, planeSamples, layout.bits);
    const std::size_t chunkRowBytes = RasterImage::RowBytes(layout.chunkWidth, planeSamples, layout.bits);
    const int planeCount = layout.planar ? layout.samples : 1;
    const bool tiled = layout.tiled;
    std::vector<std::string> planes;
    std::size_t index = 0;
    for (int plane = 0; plane < planeCount; ++plane) {
        std::string rows(rowBytes * layout.height, '\0');
        for (std::uint32_t cy = 0; cy < layout.Down(); ++cy) {
            for (std::uint32_t cx = 0; cx < layout.Across(); ++cx, ++index) {
                const std::uint32_t y0 = cy * layout.chunkHeight;
                const std::uint32_t x0 = cx * layout.chunkWidth;
                // Tiles are whole at the edges too; the last strip holds only the rows left.
                const std::size_t chunkRows = tiled ? layout.chunkHeight : std::min(layout.chunkHeight, layout.height - y0);
                std::string chunk = Decompress(ChunkBytes(file, layout, index), layout, chunkRowBytes * chunkRows);
                if (layout.predictor == 2) {
                    UndoPredictor(chunk, layout, chunkRowBytes, chunkRows);
                }
                const std::size_t copy = RasterImage::RowBytes(std::min(layout.chunkWidth, layout.width - x0), planeSamples,
                                                               layout.bits);
                const std::size_t left = std::uint64_t{x0} * planeSamples * layout.bits / 8;
                for (std::size_t r = 0; r < chunkRows && y0 + r < layout.height; ++r) {
                    std::memcpy(rows.data() + (y0 + r) * rowBytes + left, chunk.data() + r * chunkRowBytes, copy);
                }
            }
        }
        if (layout.bits == 16 && layout.littleEndian) {
            for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
                std::swap(rows[i], rows[i + 1]);
            }
        }
        planes.push_back(std::move(rows));
    }
    return planes;
}

// The planes of 8 or 16-bit samples interleaved, as one chunky image.
std::string Interleave(const std::vector<std::string>& planes, const Layout& layout) {
    if (planes.size() == 1) {
        return planes[0];
    }
    if (layout.bits != 8 && layout.bits != 16) {
        Refuse(L"stores its samples in separate planes at " + std::to_wstring(layout.bits) +
               L" bits, which the converter does not take.");
    }
    const std::size_t sampleBytes = layout.bits / 8;
    const std::size_t pixels = std::size_t{layout.width} * layout.height;
    std::string rows(pixels * planes.size() * sampleBytes, '\0');
    for (std::size_t p = 0; p < planes.size(); ++p) {
        for (std::size_t i = 0; i < pixels; ++i) {
            std::memcpy(rows.data() + (i * planes.size() + p) * sampleBytes, planes[p].data() + i * sampleBytes,
                        sampleBytes);
        }
    }
    return rows;
}

// Sample `index` of packed rows (16-bit samples big-endian).
unsigned SampleAt(const std::string& rows, std::size_t rowBytes, std::size_t y, std::size_t index, int bits) {
    return PackedSamples::Read(reinterpret_cast<const std::uint8_t*>(rows.data() + y * rowBytes), index, bits);
}

// The colour samples of the pixels, at a depth a PDF takes, and their alpha
// (one byte a pixel) when the first extra sample is one: for the depths and
// layouts the rows cannot pass on as they are.
struct Separated {
    std::string colour;
    std::string alpha;
    int bits = 8;
};

Separated SeparateSamples(const std::string& rows, const Layout& layout, int colours, bool hasAlpha, bool associated,
                          bool indexed) {
    Separated out;
    const int bits = layout.bits;
    if (indexed) {
        out.bits = bits <= 1 ? 1 : bits <= 2 ? 2 : bits <= 4 ? 4 : 8;
    } else {
        out.bits = bits == 1 || bits == 2 || bits == 4 || bits == 8 ? bits : bits < 8 ? 8 : 16;
    }
    const unsigned maximum = (1u << bits) - 1;
    const unsigned outMaximum = (1u << out.bits) - 1;
    const std::size_t rowBytes = RasterImage::RowBytes(layout.width, layout.samples, bits);
    const std::size_t outRowBytes = RasterImage::RowBytes(layout.width, colours, out.bits);
    out.colour.assign(outRowBytes * layout.height, '\0');
    if (hasAlpha) {
        out.alpha.assign(std::size_t{layout.width} * layout.height, '\0');
    }
    for (std::size_t y = 0; y < layout.height; ++y) {
        auto* target = reinterpret_cast<std::uint8_t*>(out.colour.data() + y * outRowBytes);
        for (std::size_t x = 0; x < layout.width; ++x) {
            const std::size_t first = x * layout.samples;
            const unsigned alpha = hasAlpha ? SampleAt(rows, rowBytes, y, first + colours, bits) : maximum;
            if (hasAlpha) {
                out.alpha[y * layout.width + x] = static_cast<char>((alpha * 255 + maximum / 2) / maximum);
            }
            for (int c = 0; c < colours; ++c) {
                std::uint64_t value = SampleAt(rows, rowBytes, y, first + c, bits);
                if (associated && alpha != 0) { // premultiplied colour back to its own
                    value = std::min<std::uint64_t>(maximum, (value * maximum + alpha / 2) / alpha);
                }
                if (!indexed && out.bits != bits) {
                    value = (value * outMaximum + maximum / 2) / maximum;
                }
                PackedSamples::Write(target, x * colours + c, out.bits, static_cast<unsigned>(value));
            }
        }
    }
    return out;
}

// The ColorMap's 16-bit entries as 8-bit RGB, padded to `entries`. Some
// writers store 8-bit values in it; those are taken as they are.
Palette ReadPalette(const TiffDirectory& directory, int bits, std::size_t entries) {
    const std::vector<std::uint32_t> map = directory.Values(kColorMap);
    const std::size_t stated = std::size_t{1} << bits;
    if (map.size() < 3 * stated) {
        Refuse(L"is damaged: its palette is missing or too short.");
    }
    const bool eightBit = std::all_of(map.begin(), map.begin() + 3 * stated, [](std::uint32_t v) { return v < 256; });
    Palette palette;
    palette.base = ColourModel::Rgb;
    palette.entries.assign(entries * 3, '\0');
    for (std::size_t i = 0; i < stated; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint32_t value = map[c * stated + i];
            palette.entries[i * 3 + c] = static_cast<char>(eightBit ? value : (value * 255 + 32767) / 65535);
        }
    }
    return palette;
}

// Invert samples of 1, 2, 4, 8 or 16 bits (x to maximum - x) by inverting their bits.
void InvertBits(std::string& rows) {
    for (char& c : rows) {
        c = static_cast<char>(~c);
    }
}

ImageData PassThroughFax(std::string_view file, const TiffDirectory& directory, const Layout& layout) {
    if (layout.bits != 1 || layout.samples != 1) {
        Refuse(L"holds fax data of more than one bit a pixel, which the format does not have.");
    }
    if (layout.photometric != kWhiteIsZero && layout.photometric != kBlackIsZero) {
        Refuse(L"holds fax data of a colour model other than black and white.");
    }
    CcittParameters parameters;
    parameters.columns = static_cast<int>(layout.width);
    parameters.rows = static_cast<int>(layout.height);
    // The decoder's black runs are 1 bits; where the file says 0 is black, those show white.
    parameters.blackIs1 = layout.photometric == kBlackIsZero;
    if (layout.compression == kCcittRle) {
        parameters.k = 0;
        parameters.encodedByteAlign = true;
    } else if (layout.compression == kCcittGroup3) {
        const std::uint32_t options = directory.Value(kT4Options, 0);
        if (options & 2) {
            Refuse(L"holds Group 3 fax data with uncompressed runs, which the converter does not take.");
        }
        parameters.k = (options & 1) ? 4 : 0;
        parameters.encodedByteAlign = (options & 4) != 0;
    } else {
        if (directory.Value(kT6Options, 0) & 2) {
            Refuse(L"holds Group 4 fax data with uncompressed runs, which the converter does not take.");
        }
        parameters.k = -1;
    }
    if (layout.tiled) {
        Refuse(L"holds fax data in tiles, which the converter does not take.");
    }
    ImageData image;
    image.colourModel = ColourModel::Gray;
    image.bitsPerComponent = 1;
    image.encoding = ImageEncoding::CcittFax;
    image.ccitt = parameters;
    if (parameters.k < 0 && layout.offsets.size() > 1) {
        // Group 4 codes each row against the one above, which a new strip
        // forgets: the strips' rows are coded again as one stream.
        std::vector<std::string> strips;
        std::vector<int> rows;
        for (std::size_t i = 0; i < layout.offsets.size(); ++i) {
            strips.push_back(ChunkBytes(file, layout, i));
            rows.push_back(static_cast<int>(std::min(layout.chunkHeight, layout.height - std::uint32_t(i) * layout.chunkHeight)));
        }
        image.data = CcittGroup4::Join(strips, rows, parameters.columns, kWhat);
        return image;
    }
    // Group 3 rows each start with an end-of-line code (and, coded in two
    // dimensions, say how they are coded; a strip's first row is
    // one-dimensional), so strips join as they are.
    for (std::size_t i = 0; i < layout.offsets.size(); ++i) {
        image.data += ChunkBytes(file, layout, i);
    }
    return image;
}

// JPEG data passed through where it is one whole stream: the image in one
// strip, with the tables the directory holds put in front of its frame.
ImageData PassThroughJpeg(std::string_view file, const TiffDirectory& directory, const Layout& layout) {
    if (layout.offsets.size() != 1 || layout.tiled) {
        Refuse(L"holds JPEG data in " + std::to_wstring(layout.offsets.size()) +
               L" strips or tiles; the converter takes JPEG data only as one whole stream.");
    }
    ImageData image;
    image.encoding = ImageEncoding::Dct;
    image.bitsPerComponent = 8;
    if (layout.bits != 8) {
        Refuse(L"holds JPEG data of " + std::to_wstring(layout.bits) + L"-bit samples; PDF files carry 8-bit JPEG only.");
    }
    if (layout.photometric == kBlackIsZero && layout.samples == 1) {
        image.colourModel = ColourModel::Gray;
    } else if (layout.photometric == kYCbCr && layout.samples == 3) {
        image.colourModel = ColourModel::Rgb;
    } else if (layout.photometric == kSeparated && layout.samples == 4) {
        image.colourModel = ColourModel::Cmyk;
    } else {
        Refuse(L"holds JPEG data of a colour model a PDF reader would show wrongly (photometric " +
               std::to_wstring(layout.photometric) + L", " + std::to_wstring(layout.samples) + L" samples).");
    }
    std::string stream = ChunkBytes(file, layout, 0);
    if (stream.size() < 4 || stream.compare(0, 2, "\xff\xd8") != 0) {
        Refuse(L"is damaged: its JPEG data does not start with the JPEG start marker.");
    }
    const std::string_view tables = directory.Bytes(kJpegTables);
    if (tables.size() >= 4) {
        if (tables.substr(0, 2) != "\xff\xd8" || tables.substr(tables.size() - 2) != "\xff\xd9") {
            Refuse(L"is damaged: its JPEG tables are not a JPEG table stream.");
        }
        stream = std::string(tables.substr(0, tables.size() - 2)) + stream.substr(2);
    }
    image.data = std::move(stream);
    return image;
}

// The pixels of a directory whose compression the PDF cannot carry,
// decoded to plain rows at a depth it takes; `decoded` counts what all the
// file's images have taken so far.
ImageData DecodeImage(std::string_view file, const TiffDirectory& directory, const Layout& layout,
                      std::uint64_t& decoded) {
    ImageData image;
    int colours = 0;
    switch (layout.photometric) {
    case kWhiteIsZero:
    case kBlackIsZero: image.colourModel = ColourModel::Gray; colours = 1; break;
    case kRgb: image.colourModel = ColourModel::Rgb; colours = 3; break;
    case kPalette: image.colourModel = ColourModel::Indexed; colours = 1; break;
    case kSeparated:
        if (directory.Value(kInkSet, 1) != 1) {
            Refuse(L"has inks other than CMYK, which the converter does not take.");
        }
        image.colourModel = ColourModel::Cmyk;
        colours = 4;
        break;
    case kYCbCr: Refuse(L"has YCbCr samples outside JPEG data, which the converter does not take.");
    default:
        Refuse(L"has a colour model the converter does not take (photometric " +
               std::to_wstring(layout.photometric) + L").");
    }
    if (layout.samples < colours) {
        Refuse(L"has fewer samples a pixel than its colour model needs.");
    }
    // The decoded rows and what they become; tiles reach past the
    // image's edges, and all of them are decoded on the way.
    const std::uint64_t planeBytes = RasterImage::RowBytes(layout.width, layout.samples, layout.bits) * layout.height;
    const std::uint64_t chunkBytes = RasterImage::RowBytes(layout.chunkWidth, layout.PlaneSamples(), layout.bits) *
                                     layout.chunkHeight * layout.offsets.size();
    decoded += planeBytes + std::max(planeBytes, chunkBytes);
    RasterImage::CheckDecodedBytes(kWhat, decoded);
    std::string rows = Interleave(DecodePlanes(file, layout), layout);
    const std::vector<std::uint32_t> extra = directory.Values(kExtraSamples);
    const bool hasAlpha = layout.samples > colours && !extra.empty() && (extra[0] == 1 || extra[0] == 2);
    const bool indexed = image.colourModel == ColourModel::Indexed;
    const bool plainDepth = layout.bits == 1 || layout.bits == 2 || layout.bits == 4 || layout.bits == 8 ||
                            layout.bits == 16;
    image.bitsPerComponent = layout.bits;
    std::string alpha;
    if (layout.samples != colours || !plainDepth || (indexed && layout.bits == 16)) {
        if (indexed && layout.bits > 8) {
            Refuse(L"has a palette of more than 8 bits, which PDF files cannot carry.");
        }
        Separated separated = SeparateSamples(rows, layout, colours, hasAlpha, hasAlpha && extra[0] == 1, indexed);
        rows = std::move(separated.colour);
        alpha = std::move(separated.alpha);
        image.bitsPerComponent = separated.bits;
    }
    if (layout.photometric == kWhiteIsZero) {
        InvertBits(rows); // padding bits too, which no reader looks at
    }
    if (indexed) {
        image.palette = ReadPalette(directory, layout.bits, std::size_t{1} << image.bitsPerComponent);
    }
    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    image.data = std::move(rows);
    if (!alpha.empty()) {
        image.softMask = RasterImage::SoftMask(image.width, image.height, alpha);
    }
    return image;
}

ImageData ReadImage(std::string_view file, const TiffDirectory& directory, bool bigEndian, std::uint64_t& decoded) {
    const Layout layout = ReadLayout(directory, bigEndian);
    ImageData image;
    switch (layout.compression) {
    case kCcittRle:
    case kCcittGroup3:
    case kCcittGroup4: image = PassThroughFax(file, directory, layout); break;
    case kJpeg: image = PassThroughJpeg(file, directory, layout); break;
    case kNone:
    case kLzw:
    case kAdobeDeflate:
    case kDeflate:
    case kPackBits: image = DecodeImage(file, directory, layout, decoded); break;
    default: Refuse(L"uses compression " + CompressionName(layout.compression) + L", which the converter does not take.");
    }
    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    if (const auto dpi = directory.DotsPerInch()) {
        image.dpiX = dpi->first;
        image.dpiY = dpi->second;
    }
    image.orientation = directory.Orientation();
    image.iccProfile = std::string(directory.Bytes(kIccProfile));
    return image;
}

} // namespace

std::vector<ImageData> ReadTiffImages(std::string_view file) {
    const std::vector<TiffDirectory> directories = ReadTiffDirectories(file, kWhat);
    const bool bigEndian = file.substr(0, 2) == "MM";
    std::vector<ImageData> images;
    std::uint64_t decoded = 0;
    for (std::size_t i = 0; i < directories.size(); ++i) {
        try {
            images.push_back(ReadImage(file, directories[i], bigEndian, decoded));
        } catch (const DocumentError& error) {
            if (directories.size() == 1) {
                throw;
            }
            throw DocumentError(error.Description() + L" (image " + std::to_wstring(i + 1) + L" of " +
                                std::to_wstring(directories.size()) + L")");
        }
    }
    return images;
}

} // namespace Document
