#include "JpegImage.h"

#include "ByteReader.h"
#include "DocumentError.h"
#include "Limits.h"
#include "RasterImage.h"
#include "TiffDirectory.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The JPEG image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

unsigned Byte(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

// A segment's numbers, big-endian as JPEG's are.
ByteReader Numbers(std::string_view bytes) {
    return ByteReader(bytes, ByteOrder::BigEndian, L"The JPEG image", L"header segment");
}

struct Density {
    double x = 0;
    double y = 0;
};

// APP0 "JFIF\0": version, units (1 per inch, 2 per cm), X and Y density.
std::optional<Density> JfifDensity(std::string_view segment) {
    if (segment.size() < 12 || segment.substr(0, 5) != std::string_view("JFIF\0", 5)) {
        return std::nullopt;
    }
    const ByteReader numbers = Numbers(segment);
    const unsigned units = numbers.U8(7);
    const double x = numbers.U16(8);
    const double y = numbers.U16(10);
    if ((units != 1 && units != 2) || x == 0 || y == 0) {
        return std::nullopt;
    }
    const ResolutionUnit unit = units == 2 ? ResolutionUnit::Centimetre : ResolutionUnit::Inch;
    return Density{DotsPerInch(x, unit), DotsPerInch(y, unit)};
}

// What a camera records in APP1 "Exif\0\0": a TIFF structure whose first
// directory may state the resolution and the orientation.
struct Exif {
    std::optional<Density> density;
    int orientation = 1;
};

// None for an APP1 segment of another kind (XMP, say).
std::optional<Exif> ReadExif(std::string_view segment) {
    if (segment.size() < 14 || segment.substr(0, 6) != std::string_view("Exif\0\0", 6)) {
        return std::nullopt;
    }
    const std::string_view tiff = segment.substr(6);
    if (!TiffByteOrder(tiff)) {
        return std::nullopt;
    }
    Exif exif;
    if (const std::optional<TiffDirectory> directory = ReadFirstTiffDirectory(tiff)) {
        exif.orientation = directory->Orientation();
        if (const auto dpi = directory->DotsPerInch()) {
            exif.density = Density{dpi->first, dpi->second};
        }
    }
    return exif;
}

// APP2 "ICC_PROFILE\0", sequence number (from 1), count, then a piece of
// the profile: the pieces, joined in their numbers' order, are the profile.
class IccChunks {
public:
    void Add(std::string_view segment) {
        constexpr std::string_view kTag("ICC_PROFILE\0", 12);
        if (segment.size() < kTag.size() + 2 || segment.substr(0, kTag.size()) != kTag) {
            return;
        }
        const unsigned number = Byte(segment, 12);
        const unsigned count = Byte(segment, 13);
        total_ += segment.size() - 14;
        if (total_ > Limits::kMaxIccProfileBytes) {
            Refuse(L"carries a colour profile larger than " + std::to_wstring(Limits::kMaxIccProfileBytes >> 20) + L" MiB.");
        }
        if (count == 0 || number == 0 || number > count || (count_ != 0 && count != count_) || !pieces_[number - 1].empty()) {
            damaged_ = true;
            return;
        }
        count_ = count;
        pieces_[number - 1] = segment.substr(14);
        damaged_ = damaged_ || pieces_[number - 1].empty();
    }

    // The profile, or none when a piece is missing, repeated or of another count.
    std::string Profile() const {
        std::string profile;
        for (unsigned i = 0; i < count_ && !damaged_; ++i) {
            if (pieces_[i].empty()) {
                return {};
            }
            profile.append(pieces_[i]);
        }
        return damaged_ ? std::string() : profile;
    }

private:
    std::string_view pieces_[255];
    unsigned count_ = 0;
    std::size_t total_ = 0;
    bool damaged_ = false;
};

bool IsFrameMarker(unsigned marker) {
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// A frame header (SOFn): the coding, the precision, the size and the colour
// components, each refused where a PDF cannot carry it.
void ReadFrame(unsigned marker, std::string_view segment, ImageData& image) {
    if (marker == 0xc3 || (marker >= 0xc5 && marker <= 0xc7) || marker >= 0xc9) {
        Refuse(L"uses a lossless, hierarchical or arithmetic coding that PDF files cannot carry.");
    }
    if (segment.size() < 6) {
        Refuse(L"is damaged: its frame header is too short.");
    }
    const ByteReader numbers = Numbers(segment);
    const unsigned precision = numbers.U8(0);
    const std::uint32_t height = numbers.U16(1);
    const std::uint32_t width = numbers.U16(3);
    const unsigned components = numbers.U8(5);
    if (precision != 8) {
        Refuse(L"has " + std::to_wstring(precision) + L"-bit samples; PDF files carry 8-bit JPEG images only.");
    }
    if (width == 0 || height == 0) {
        Refuse(L"does not state its size in its frame header.");
    }
    RasterImage::CheckSize(kWhat, width, height);
    if (segment.size() < 6 + 3 * std::size_t{components}) {
        Refuse(L"is damaged: its frame header is too short.");
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    switch (components) {
    case 1: image.colourModel = ColourModel::Gray; break;
    case 3: image.colourModel = ColourModel::Rgb; break;
    case 4: image.colourModel = ColourModel::Cmyk; break;
    default: Refuse(L"has " + std::to_wstring(components) + L" colour components; PDF files carry 1, 3 or 4.");
    }
}

} // namespace

ImageData ReadJpegImage(std::string_view file) {
    if (file.size() < 4 || Byte(file, 0) != 0xff || Byte(file, 1) != 0xd8) {
        Refuse(L"is damaged: it does not start with the JPEG start marker.");
    }
    ImageData image;
    image.encoding = ImageEncoding::Dct;
    std::optional<Density> jfif;
    std::optional<Exif> exif;
    IccChunks icc;
    bool adobe = false;
    bool sawFrame = false;
    std::size_t at = 2;
    for (std::size_t count = 0;; ++count) {
        if (count == Limits::kMaxJpegSegments) {
            Refuse(L"has too many header segments (more than " + std::to_wstring(Limits::kMaxJpegSegments) + L").");
        }
        if (at >= file.size() || Byte(file, at) != 0xff) {
            Refuse(L"is damaged or truncated: its headers end before the image data.");
        }
        while (at < file.size() && Byte(file, at) == 0xff) {
            ++at; // fill bytes before a marker
        }
        if (at >= file.size()) {
            Refuse(L"is truncated: its headers end before the image data.");
        }
        const unsigned marker = Byte(file, at++);
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            continue; // markers without a length
        }
        if (marker == 0xd9 || marker == 0xd8 || marker == 0x00) {
            Refuse(L"is damaged: it has no image data.");
        }
        if (file.size() - at < 2) {
            Refuse(L"is truncated: a header segment is cut off.");
        }
        const std::size_t length = Numbers(file).U16(at);
        if (length < 2 || length > file.size() - at) {
            Refuse(L"is truncated or damaged: a header segment claims more bytes than the file has.");
        }
        const std::string_view segment = file.substr(at + 2, length - 2);
        at += length;

        if (marker == 0xda) { // start of scan: the headers are over
            if (!sawFrame) {
                Refuse(L"is damaged: its image data comes before its frame header.");
            }
            break;
        }
        if (marker == 0xe0 && !jfif) {
            jfif = JfifDensity(segment);
        } else if (marker == 0xe1 && !exif) {
            exif = ReadExif(segment);
        } else if (marker == 0xe2) {
            icc.Add(segment);
        } else if (marker == 0xee && segment.size() >= 12 && segment.substr(0, 5) == "Adobe") {
            adobe = true;
        } else if (IsFrameMarker(marker)) {
            if (sawFrame) {
                Refuse(L"is damaged: it has two frame headers.");
            }
            sawFrame = true;
            ReadFrame(marker, segment, image);
        }
    }
    // Adobe's applications store CMYK inverted, and mark it with APP14.
    image.inverted = adobe && image.colourModel == ColourModel::Cmyk;
    image.iccProfile = icc.Profile();
    if (exif) {
        image.orientation = exif->orientation;
    }
    if (const auto density = jfif ? jfif : exif ? exif->density : std::nullopt) {
        image.dpiX = density->x;
        image.dpiY = density->y;
    }
    image.bitsPerComponent = 8;
    image.data = std::string(file);
    return image;
}

} // namespace Document
