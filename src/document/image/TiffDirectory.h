#pragma once
// The first image file directory (IFD) of TIFF data embedded in another
// file, a JPEG's EXIF block: its tagged fields, every read checked against
// the data's end. TIFF files themselves are read with libtiff (TiffImage).
#include "ByteReader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

// The tags read from EXIF data (the image's size and strips, in tests).
enum TiffTag : std::uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kStripOffsets = 273,
    kOrientation = 274,
    kXResolution = 282,
    kYResolution = 283,
    kResolutionUnit = 296,
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

    // The values of an integer field (BYTE, SHORT or LONG); empty when absent.
    std::vector<std::uint32_t> Values(TiffTag tag) const;
    // The first value of an integer field, or `fallback` when absent.
    std::uint32_t Value(TiffTag tag, std::uint32_t fallback) const;
    // A RATIONAL field's first value; 0 when absent or undefined.
    double Rational(TiffTag tag) const;

    // The resolution that XResolution, YResolution and ResolutionUnit state,
    // in dots per inch; none when they state none (or no unit).
    std::optional<std::pair<double, double>> DotsPerInch() const;
    // Orientation, 1 to 8 (1 when absent or outside them).
    int Orientation() const;

private:
    std::uint32_t Read(std::string_view bytes, std::size_t at, std::size_t size) const;

    ByteOrder order_;
    std::map<std::uint16_t, Field> fields_;
};

// The byte order a TIFF header states; none for a header that is not TIFF's.
std::optional<ByteOrder> TiffByteOrder(std::string_view file);

// The first directory of TIFF data embedded in another file (a JPEG's
// EXIF), or none where the data is damaged: such data only adds facts.
std::optional<TiffDirectory> ReadFirstTiffDirectory(std::string_view tiff);

} // namespace Document
