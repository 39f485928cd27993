#pragma once
// The structure of a TIFF file: its byte order and its chain of image file
// directories (IFDs), each a set of tagged fields. Every read is checked
// against the file's end; a chain that loops back on itself, or longer than
// Limits::kMaxTiffImages, is refused.
#include "ByteReader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

// The tags the TIFF reader uses.
enum TiffTag : std::uint16_t {
    kNewSubfileType = 254,
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kFillOrder = 266,
    kStripOffsets = 273,
    kOrientation = 274,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kXResolution = 282,
    kYResolution = 283,
    kPlanarConfiguration = 284,
    kT4Options = 292,
    kT6Options = 293,
    kResolutionUnit = 296,
    kExifOffset = 34665,
    kPredictor = 317,
    kColorMap = 320,
    kTileWidth = 322,
    kTileLength = 323,
    kTileOffsets = 324,
    kTileByteCounts = 325,
    kInkSet = 332,
    kExtraSamples = 338,
    kSampleFormat = 339,
    kJpegTables = 347,
    kIccProfile = 34675,
};

// One directory: its fields, read on demand.
class TiffDirectory {
public:
    struct Field {
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::string_view bytes; // the values, in the file's byte order
    };

    TiffDirectory(std::string_view file, ByteOrder order, std::uint32_t offset);

    bool Has(TiffTag tag) const { return fields_.count(tag) != 0; }
    // The values of an integer field (BYTE, SHORT or LONG); empty when absent.
    std::vector<std::uint32_t> Values(TiffTag tag) const;
    // The first value of an integer field, or `fallback` when absent.
    std::uint32_t Value(TiffTag tag, std::uint32_t fallback) const;
    // A RATIONAL field's first value; 0 when absent or undefined.
    double Rational(TiffTag tag) const;
    // A field's bytes as the file has them (an ICC profile, JPEG tables).
    std::string_view Bytes(TiffTag tag) const;
    // Where the next directory starts; 0 after the last.
    std::uint32_t Next() const { return next_; }

    // The resolution that XResolution, YResolution and ResolutionUnit state,
    // in dots per inch; none when they state none (or no unit).
    std::optional<std::pair<double, double>> DotsPerInch() const;
    // Orientation, 1 to 8 (1 when absent or outside them).
    int Orientation() const;

private:
    std::uint32_t Read(std::string_view bytes, std::size_t at, std::size_t size) const;

    ByteOrder order_;
    std::map<std::uint16_t, Field> fields_;
    std::uint32_t next_ = 0;
};

// The file's directories in order. Throws a DocumentError naming `what` when
// the header is not TIFF's (BigTIFF is named), when a directory lies beyond
// the end, or the chain loops.
std::vector<TiffDirectory> ReadTiffDirectories(std::string_view file, const std::wstring& what);

// The byte order a TIFF header states; none for a header that is not TIFF's.
std::optional<ByteOrder> TiffByteOrder(std::string_view file);

// The first directory of TIFF data embedded in another file (a JPEG's
// EXIF), or none where the data is damaged: such data only adds facts.
std::optional<TiffDirectory> ReadFirstTiffDirectory(std::string_view tiff);

} // namespace Document
