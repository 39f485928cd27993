#include "TiffImage.h"

#include "CcittGroup4.h"
#include "DocumentError.h"
#include "Limits.h"
#include "PackedSamples.h"
#include "RasterImage.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The TIFF image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

std::wstring CompressionName(std::uint32_t compression) {
    switch (compression) {
    case COMPRESSION_OJPEG: return L"old-style JPEG (6)";
    case COMPRESSION_JP2000: return L"JPEG 2000 (34712)";
    case COMPRESSION_LZMA: return L"LZMA (34925)";
    case COMPRESSION_ZSTD: return L"Zstandard (50000)";
    case COMPRESSION_WEBP: return L"WebP (50001)";
    case COMPRESSION_JBIG: return L"JBIG (34661)";
    case COMPRESSION_SGILOG: case COMPRESSION_SGILOG24: return L"SGI LogLuv (" + std::to_wstring(compression) + L")";
    default: return std::to_wstring(compression);
    }
}

// The file in memory as libtiff reads it, and the first error libtiff
// reported on it (its messages are ASCII).
struct Source {
    std::string_view file;
    std::uint64_t at = 0;
    std::string error;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* source = static_cast<Source*>(handle);
    if (size < 0 || source->at >= source->file.size()) {
        return 0;
    }
    const std::size_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), source->file.size() - source->at);
    std::memcpy(buffer, source->file.data() + source->at, count);
    source->at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    const std::uint64_t base = whence == SEEK_CUR ? source->at : whence == SEEK_END ? source->file.size() : 0;
    source->at = base + offset;
    return source->at;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return static_cast<Source*>(handle)->file.size(); }

int ErrorProc(TIFF*, void* handle, const char*, const char* format, va_list arguments) {
    auto* source = static_cast<Source*>(handle);
    if (source->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        source->error = text;
    }
    return 1;
}

int WarningProc(TIFF*, void*, const char*, const char*, va_list) { return 1; } // what libtiff mends is no refusal

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// The refusal for a libtiff call that failed, with libtiff's reason.
[[noreturn]] void RefuseRead(Source& source, const wchar_t* while_) {
    std::wstring reason(source.error.begin(), source.error.end());
    source.error.clear();
    Refuse(L"is damaged or truncated: " + std::wstring(while_) + (reason.empty() ? L"." : L" (" + reason + L")."));
}

template <typename T> T Field(TIFF* tiff, ttag_t tag, T fallback) {
    T value{};
    return TIFFGetField(tiff, tag, &value) ? value : fallback;
}

// The facts of one directory that its pixels depend on.
struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int samples = 1;
    int bits = 1;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    bool planar = false; // one plane a sample
    bool reversedBits = false; // each byte's bits least significant first
    bool tiled = false;
    std::uint32_t chunkWidth = 0; // a strip's or tile's size in pixels
    std::uint32_t chunkHeight = 0;

    std::uint32_t Across() const { return (width + chunkWidth - 1) / chunkWidth; }
    std::uint32_t Down() const { return (height + chunkHeight - 1) / chunkHeight; }
    int PlaneSamples() const { return planar ? 1 : samples; }
};

Layout ReadLayout(TIFF* tiff) {
    Layout layout;
    layout.width = Field<std::uint32_t>(tiff, TIFFTAG_IMAGEWIDTH, 0);
    layout.height = Field<std::uint32_t>(tiff, TIFFTAG_IMAGELENGTH, 0);
    RasterImage::CheckSize(kWhat, layout.width, layout.height);
    layout.samples = Field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    if (layout.samples < 1 || layout.samples > 8) {
        Refuse(L"has " + std::to_wstring(layout.samples) + L" samples a pixel (the converter takes 1 to 8).");
    }
    layout.bits = Field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    if (layout.bits < 1 || layout.bits > 16) {
        Refuse(L"has " + std::to_wstring(layout.bits) + L"-bit samples (the converter takes 1 to 16 bits).");
    }
    if (Field<std::uint16_t>(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT) != SAMPLEFORMAT_UINT) {
        Refuse(L"has signed or floating-point samples, which the converter does not take.");
    }
    layout.compression = Field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    if (!TIFFIsCODECConfigured(layout.compression)) {
        Refuse(L"uses compression " + CompressionName(layout.compression) + L", which the converter does not take.");
    }
    const bool fax = layout.compression == COMPRESSION_CCITTRLE || layout.compression == COMPRESSION_CCITTFAX3 ||
                     layout.compression == COMPRESSION_CCITTFAX4;
    layout.photometric = Field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC, fax ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    layout.planar = Field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == PLANARCONFIG_SEPARATE &&
                    layout.samples > 1;
    layout.reversedBits = Field<std::uint16_t>(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) == FILLORDER_LSB2MSB;
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        layout.chunkWidth = Field<std::uint32_t>(tiff, TIFFTAG_TILEWIDTH, 0);
        layout.chunkHeight = Field<std::uint32_t>(tiff, TIFFTAG_TILELENGTH, 0);
        if (layout.chunkWidth == 0 || layout.chunkHeight == 0 || layout.chunkWidth > Limits::kMaxImageSide ||
            layout.chunkHeight > Limits::kMaxImageSide) {
            Refuse(L"is damaged: its tiles have no size, or one beyond the limits.");
        }
    } else {
        layout.chunkWidth = layout.width;
        layout.chunkHeight = std::min(Field<std::uint32_t>(tiff, TIFFTAG_ROWSPERSTRIP, layout.height), layout.height);
        if (layout.chunkHeight == 0) {
            layout.chunkHeight = layout.height;
        }
    }
    return layout;
}

// The compressed bytes of strip `index` as the file has them, FillOrder undone.
std::string RawStrip(TIFF* tiff, Source& source, const Layout& layout, std::uint32_t index) {
    const std::uint64_t count = TIFFGetStrileByteCount(tiff, index);
    const std::uint64_t at = TIFFGetStrileOffset(tiff, index);
    if (count == 0) {
        Refuse(L"is damaged: a strip is missing or empty.");
    }
    if (at > source.file.size() || source.file.size() - at < count) {
        Refuse(L"is truncated: a strip or tile lies beyond its end.");
    }
    std::string bytes(source.file.substr(at, count));
    if (layout.reversedBits) {
        TIFFReverseBits(reinterpret_cast<std::uint8_t*>(bytes.data()), static_cast<tmsize_t>(bytes.size()));
    }
    return bytes;
}

// Fax strips passed through: Group 3 strips joined as they are, Group 4
// ones coded again as one stream. Nothing when the data is not one a PDF
// can carry so (tiles, uncompressed runs): it is decoded then.
std::optional<ImageData> PassThroughFax(TIFF* tiff, Source& source, const Layout& layout) {
    if (layout.bits != 1 || layout.samples != 1) {
        Refuse(L"holds fax data of more than one bit a pixel, which the format does not have.");
    }
    if (layout.photometric != PHOTOMETRIC_MINISWHITE && layout.photometric != PHOTOMETRIC_MINISBLACK) {
        Refuse(L"holds fax data of a colour model other than black and white.");
    }
    if (layout.tiled) {
        return std::nullopt;
    }
    CcittParameters parameters;
    parameters.columns = static_cast<int>(layout.width);
    parameters.rows = static_cast<int>(layout.height);
    // The decoder's black runs are 1 bits; where the file says 0 is black, those show white.
    parameters.blackIs1 = layout.photometric == PHOTOMETRIC_MINISBLACK;
    if (layout.compression == COMPRESSION_CCITTRLE) {
        parameters.k = 0;
        parameters.encodedByteAlign = true;
    } else if (layout.compression == COMPRESSION_CCITTFAX3) {
        const auto options = Field<std::uint32_t>(tiff, TIFFTAG_GROUP3OPTIONS, 0);
        if (options & GROUP3OPT_UNCOMPRESSED) {
            return std::nullopt;
        }
        parameters.k = (options & GROUP3OPT_2DENCODING) ? 4 : 0;
        parameters.encodedByteAlign = (options & GROUP3OPT_FILLBITS) != 0;
    } else {
        if (Field<std::uint32_t>(tiff, TIFFTAG_GROUP4OPTIONS, 0) & GROUP4OPT_UNCOMPRESSED) {
            return std::nullopt;
        }
        parameters.k = -1;
    }
    ImageData image;
    image.colourModel = ColourModel::Gray;
    image.bitsPerComponent = 1;
    image.encoding = ImageEncoding::CcittFax;
    image.ccitt = parameters;
    const std::uint32_t strips = layout.Down();
    if (parameters.k < 0 && strips > 1) {
        // Group 4 codes each row against the one above, which a new strip
        // forgets: the strips' rows are coded again as one stream.
        std::vector<std::string> data;
        std::vector<int> rows;
        for (std::uint32_t i = 0; i < strips; ++i) {
            data.push_back(RawStrip(tiff, source, layout, i));
            rows.push_back(static_cast<int>(std::min(layout.chunkHeight, layout.height - i * layout.chunkHeight)));
        }
        image.data = CcittGroup4::Join(data, rows, parameters.columns, kWhat);
        return image;
    }
    // Group 3 rows each start with an end-of-line code (and, coded in two
    // dimensions, say how they are coded; a strip's first row is
    // one-dimensional), so strips join as they are.
    for (std::uint32_t i = 0; i < strips; ++i) {
        image.data += RawStrip(tiff, source, layout, i);
    }
    return image;
}

// JPEG data passed through where it is one whole stream of a colour model
// PDF readers show rightly: the image in one strip, with the tables the
// directory holds put in front of its frame. Nothing otherwise: it is decoded.
std::optional<ImageData> PassThroughJpeg(TIFF* tiff, Source& source, const Layout& layout) {
    if (layout.tiled || layout.Down() != 1 || layout.planar || layout.bits != 8) {
        return std::nullopt;
    }
    ImageData image;
    image.encoding = ImageEncoding::Dct;
    image.bitsPerComponent = 8;
    if (layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samples == 1) {
        image.colourModel = ColourModel::Gray;
    } else if (layout.photometric == PHOTOMETRIC_YCBCR && layout.samples == 3) {
        image.colourModel = ColourModel::Rgb;
    } else if (layout.photometric == PHOTOMETRIC_SEPARATED && layout.samples == 4) {
        image.colourModel = ColourModel::Cmyk;
    } else {
        return std::nullopt;
    }
    std::string stream = RawStrip(tiff, source, layout, 0);
    if (stream.size() < 4 || stream.compare(0, 2, "\xff\xd8") != 0) {
        Refuse(L"is damaged: its JPEG data does not start with the JPEG start marker.");
    }
    std::uint32_t tableBytes = 0;
    const char* tables = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_JPEGTABLES, &tableBytes, &tables) && tableBytes >= 4) {
        const std::string_view view(tables, tableBytes);
        if (view.substr(0, 2) != "\xff\xd8" || view.substr(view.size() - 2) != "\xff\xd9") {
            Refuse(L"is damaged: its JPEG tables are not a JPEG table stream.");
        }
        stream = std::string(view.substr(0, view.size() - 2)) + stream.substr(2);
    }
    image.data = std::move(stream);
    return image;
}

// Every plane's rows, decoded by libtiff and in place: one plane when the
// samples are interleaved, one a sample otherwise. 16-bit samples come out
// big-endian.
std::vector<std::string> DecodePlanes(TIFF* tiff, Source& source, const Layout& layout) {
    const int planeSamples = layout.PlaneSamples();
    if ((std::uint64_t{layout.chunkWidth} * planeSamples * layout.bits) % 8 != 0 && layout.Across() > 1) {
        Refuse(L"is damaged: its tiles do not start on a byte.");
    }
    const std::size_t rowBytes = RasterImage::RowBytes(layout.width, planeSamples, layout.bits);
    const std::size_t chunkRowBytes = RasterImage::RowBytes(layout.chunkWidth, planeSamples, layout.bits);
    const int planeCount = layout.planar ? layout.samples : 1;
    // libtiff's idea of a chunk's size is the buffer it fills; never less than ours.
    const std::size_t chunkBytes = chunkRowBytes * layout.chunkHeight;
    const auto libraryBytes = static_cast<std::size_t>(layout.tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
    std::string chunk(std::max(chunkBytes, libraryBytes), '\0');
    std::vector<std::string> planes;
    for (int plane = 0; plane < planeCount; ++plane) {
        std::string rows(rowBytes * layout.height, '\0');
        for (std::uint32_t cy = 0; cy < layout.Down(); ++cy) {
            for (std::uint32_t cx = 0; cx < layout.Across(); ++cx) {
                const std::uint32_t y0 = cy * layout.chunkHeight;
                const std::uint32_t x0 = cx * layout.chunkWidth;
                // Tiles are whole at the edges too; the last strip holds only the rows left.
                const std::size_t chunkRows =
                    layout.tiled ? layout.chunkHeight : std::min(layout.chunkHeight, layout.height - y0);
                const auto sample = static_cast<std::uint16_t>(plane);
                source.error.clear(); // libtiff reports some things it mends as errors too
                const tmsize_t got =
                    layout.tiled ? TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, x0, y0, 0, sample), chunk.data(),
                                                       static_cast<tmsize_t>(chunk.size()))
                                 : TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y0, sample), chunk.data(),
                                                        static_cast<tmsize_t>(chunk.size()));
                if (got < 0 || static_cast<std::size_t>(got) < chunkRowBytes * chunkRows) {
                    RefuseRead(source, layout.tiled ? L"a tile cannot be decoded" : L"a strip cannot be decoded");
                }
                const std::size_t copy =
                    RasterImage::RowBytes(std::min(layout.chunkWidth, layout.width - x0), planeSamples, layout.bits);
                const std::size_t left = std::uint64_t{x0} * planeSamples * layout.bits / 8;
                for (std::size_t r = 0; r < chunkRows && y0 + r < layout.height; ++r) {
                    std::memcpy(rows.data() + (y0 + r) * rowBytes + left, chunk.data() + r * chunkRowBytes, copy);
                }
            }
        }
        // libtiff hands 16-bit samples over in the machine's order.
        if (layout.bits == 16 && std::endian::native == std::endian::little) {
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
Palette ReadPalette(TIFF* tiff, int bits, std::size_t entries) {
    const std::uint16_t* map[3] = {};
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &map[0], &map[1], &map[2])) {
        Refuse(L"is damaged: its palette is missing or too short.");
    }
    const std::size_t stated = std::size_t{1} << bits;
    bool eightBit = true;
    for (std::size_t c = 0; c < 3; ++c) {
        eightBit = eightBit && std::all_of(map[c], map[c] + stated, [](std::uint16_t v) { return v < 256; });
    }
    Palette palette;
    palette.base = ColourModel::Rgb;
    palette.entries.assign(entries * 3, '\0');
    for (std::size_t i = 0; i < stated; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint32_t value = map[c][i];
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

// The pixels of a directory whose data the PDF cannot carry as it is,
// decoded to plain rows at a depth it takes; `decoded` counts what all the
// file's images have taken so far.
ImageData DecodeImage(TIFF* tiff, Source& source, Layout layout, std::uint64_t& decoded) {
    ImageData image;
    int colours = 0;
    if (layout.compression == COMPRESSION_JPEG && layout.photometric == PHOTOMETRIC_YCBCR) {
        // libtiff's JPEG codec turns YCbCr to RGB, its subsampling undone.
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        layout.photometric = PHOTOMETRIC_RGB;
    }
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK: image.colourModel = ColourModel::Gray; colours = 1; break;
    case PHOTOMETRIC_RGB: image.colourModel = ColourModel::Rgb; colours = 3; break;
    case PHOTOMETRIC_PALETTE: image.colourModel = ColourModel::Indexed; colours = 1; break;
    case PHOTOMETRIC_SEPARATED:
        if (Field<std::uint16_t>(tiff, TIFFTAG_INKSET, INKSET_CMYK) != INKSET_CMYK) {
            Refuse(L"has inks other than CMYK, which the converter does not take.");
        }
        image.colourModel = ColourModel::Cmyk;
        colours = 4;
        break;
    case PHOTOMETRIC_YCBCR: Refuse(L"has YCbCr samples outside JPEG data, which the converter does not take.");
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
                                     layout.chunkHeight * layout.Across() * layout.Down() *
                                     (layout.planar ? layout.samples : 1);
    decoded += planeBytes + std::max(planeBytes, chunkBytes);
    RasterImage::CheckDecodedBytes(kWhat, decoded);
    std::string rows = Interleave(DecodePlanes(tiff, source, layout), layout);
    std::uint16_t extraCount = 0;
    const std::uint16_t* extra = nullptr;
    TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const bool hasAlpha = layout.samples > colours && extraCount > 0 &&
                          (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);
    const bool indexed = image.colourModel == ColourModel::Indexed;
    const bool plainDepth = layout.bits == 1 || layout.bits == 2 || layout.bits == 4 || layout.bits == 8 ||
                            layout.bits == 16;
    image.bitsPerComponent = layout.bits;
    std::string alpha;
    if (layout.samples != colours || !plainDepth || (indexed && layout.bits == 16)) {
        if (indexed && layout.bits > 8) {
            Refuse(L"has a palette of more than 8 bits, which PDF files cannot carry.");
        }
        Separated separated = SeparateSamples(rows, layout, colours, hasAlpha,
                                              hasAlpha && extra[0] == EXTRASAMPLE_ASSOCALPHA, indexed);
        rows = std::move(separated.colour);
        alpha = std::move(separated.alpha);
        image.bitsPerComponent = separated.bits;
    }
    if (layout.photometric == PHOTOMETRIC_MINISWHITE) {
        InvertBits(rows); // padding bits too, which no reader looks at
    }
    if (indexed) {
        image.palette = ReadPalette(tiff, layout.bits, std::size_t{1} << image.bitsPerComponent);
    }
    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    image.data = std::move(rows);
    if (!alpha.empty()) {
        image.softMask = RasterImage::SoftMask(image.width, image.height, alpha);
    }
    return image;
}

ImageData ReadImage(TIFF* tiff, Source& source, std::uint64_t& decoded) {
    const Layout layout = ReadLayout(tiff);
    std::optional<ImageData> passed;
    switch (layout.compression) {
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: passed = PassThroughFax(tiff, source, layout); break;
    case COMPRESSION_JPEG: passed = PassThroughJpeg(tiff, source, layout); break;
    default: break;
    }
    ImageData image = passed ? std::move(*passed) : DecodeImage(tiff, source, layout, decoded);
    image.width = static_cast<int>(layout.width);
    image.height = static_cast<int>(layout.height);
    float x = 0;
    float y = 0;
    const auto unit = Field<std::uint16_t>(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) && x > 0 && y > 0 &&
        (unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER)) {
        const ResolutionUnit in = unit == RESUNIT_CENTIMETER ? ResolutionUnit::Centimetre : ResolutionUnit::Inch;
        image.dpiX = DotsPerInch(x, in);
        image.dpiY = DotsPerInch(y, in);
    }
    image.orientation = ValidOrientation(Field<std::uint16_t>(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT));
    std::uint32_t profileBytes = 0;
    const char* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &profileBytes, &profile) && profile != nullptr) {
        image.iccProfile.assign(profile, profileBytes);
    }
    return image;
}

} // namespace

std::vector<ImageData> ReadTiffImages(std::string_view file) {
    // The library's revision at hand lacks its fix for BigTIFF strip sizes
    // (64-bit counts cut to 32 bits), so BigTIFF never reaches it.
    if (file.size() >= 4 && (file.substr(0, 2) == "II" || file.substr(0, 2) == "MM") &&
        static_cast<unsigned char>(file[file[0] == 'I' ? 2 : 3]) == 43 && file[file[0] == 'I' ? 3 : 2] == 0) {
        Refuse(L"is a BigTIFF file, which the converter does not take.");
    }
    Source source;
    source.file = file;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorProc, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options, WarningProc, &source);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(Limits::kMaxDecodedImageBytes));
    // "m": no mapping, every read through ReadProc.
    const TiffFile tiff(TIFFClientOpenExt("image", "rm", &source, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                          nullptr, nullptr, options));
    TIFFOpenOptionsFree(options);
    if (!tiff) {
        RefuseRead(source, L"it cannot be opened as TIFF");
    }
    const tdir_t count = TIFFNumberOfDirectories(tiff.get());
    if (count > Limits::kMaxTiffImages) {
        Refuse(L"has too many images (more than " + std::to_wstring(Limits::kMaxTiffImages) + L").");
    }
    std::vector<ImageData> images;
    std::uint64_t decoded = 0;
    for (;;) {
        try {
            source.error.clear();
            images.push_back(ReadImage(tiff.get(), source, decoded));
        } catch (const DocumentError& error) {
            if (count <= 1) {
                throw;
            }
            throw DocumentError(error.Description() + L" (image " + std::to_wstring(images.size() + 1) + L" of " +
                                std::to_wstring(count) + L")");
        }
        source.error.clear();
        if (!TIFFReadDirectory(tiff.get())) {
            break;
        }
    }
    if (!source.error.empty()) {
        RefuseRead(source, L"a directory cannot be read");
    }
    return images;
}

} // namespace Document
