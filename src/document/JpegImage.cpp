#include "JpegImage.h"

#include "DocumentError.h"
#include "Limits.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Document {

namespace {

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(L"The JPEG image " + why); }

unsigned Byte(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

std::uint32_t Read16(std::string_view bytes, std::size_t at, bool bigEndian) {
    return bigEndian ? (Byte(bytes, at) << 8) | Byte(bytes, at + 1) : (Byte(bytes, at + 1) << 8) | Byte(bytes, at);
}

std::uint32_t Read32(std::string_view bytes, std::size_t at, bool bigEndian) {
    return bigEndian ? (Read16(bytes, at, true) << 16) | Read16(bytes, at + 2, true)
                     : (Read16(bytes, at + 2, false) << 16) | Read16(bytes, at, false);
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
    const unsigned units = Byte(segment, 7);
    const double x = Read16(segment, 8, true);
    const double y = Read16(segment, 10, true);
    if ((units != 1 && units != 2) || x == 0 || y == 0) {
        return std::nullopt;
    }
    const double scale = units == 2 ? 2.54 : 1.0;
    return Density{x * scale, y * scale};
}

// What a camera records in APP1 "Exif\0\0": a TIFF structure whose first
// directory may hold XResolution, YResolution (rationals), ResolutionUnit
// (2 inch, 3 cm) and Orientation (1 to 8).
struct Exif {
    std::optional<Density> density;
    int orientation = 1;
};

// None for an APP1 segment of another kind (XMP, say).
std::optional<Exif> ReadExif(std::string_view segment) {
    Exif exif;
    if (segment.size() < 14 || segment.substr(0, 6) != std::string_view("Exif\0\0", 6)) {
        return std::nullopt;
    }
    const std::string_view tiff = segment.substr(6);
    bool bigEndian = false;
    if (tiff.substr(0, 4) == std::string_view("MM\0*", 4)) {
        bigEndian = true;
    } else if (tiff.substr(0, 4) != std::string_view("II*\0", 4)) {
        return std::nullopt;
    }
    const std::uint32_t directory = Read32(tiff, 4, bigEndian);
    if (directory > tiff.size() || tiff.size() - directory < 2) {
        return exif;
    }
    const std::uint32_t entries = Read16(tiff, directory, bigEndian);
    double x = 0;
    double y = 0;
    unsigned unit = 2;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + std::size_t{i} * 12;
        if (entry + 12 > tiff.size()) {
            break;
        }
        const std::uint32_t tag = Read16(tiff, entry, bigEndian);
        const std::uint32_t type = Read16(tiff, entry + 2, bigEndian);
        if (tag == 0x0128 && type == 3) {
            unit = Read16(tiff, entry + 8, bigEndian);
        } else if (tag == 0x0112 && type == 3) {
            const std::uint32_t orientation = Read16(tiff, entry + 8, bigEndian);
            exif.orientation = orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
        } else if ((tag == 0x011a || tag == 0x011b) && type == 5) {
            const std::uint32_t offset = Read32(tiff, entry + 8, bigEndian);
            if (offset > tiff.size() || tiff.size() - offset < 8) {
                continue;
            }
            const std::uint32_t numerator = Read32(tiff, offset, bigEndian);
            const std::uint32_t denominator = Read32(tiff, offset + 4, bigEndian);
            const double value = denominator == 0 ? 0 : double(numerator) / denominator;
            (tag == 0x011a ? x : y) = value;
        }
    }
    if (x > 0 && y > 0 && (unit == 2 || unit == 3)) {
        const double scale = unit == 3 ? 2.54 : 1.0;
        exif.density = Density{x * scale, y * scale};
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
        const std::size_t length = Read16(file, at, true);
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
            if (marker == 0xc3 || (marker >= 0xc5 && marker <= 0xc7) || marker >= 0xc9) {
                Refuse(L"uses a lossless, hierarchical or arithmetic coding that PDF files cannot carry.");
            }
            if (segment.size() < 6) {
                Refuse(L"is damaged: its frame header is too short.");
            }
            const unsigned precision = Byte(segment, 0);
            const std::uint32_t height = Read16(segment, 1, true);
            const std::uint32_t width = Read16(segment, 3, true);
            const unsigned components = Byte(segment, 5);
            if (precision != 8) {
                Refuse(L"has " + std::to_wstring(precision) + L"-bit samples; PDF files carry 8-bit JPEG images only.");
            }
            if (width == 0 || height == 0) {
                Refuse(L"does not state its size in its frame header.");
            }
            if (width > Limits::kMaxImageSide || height > Limits::kMaxImageSide ||
                std::uint64_t{width} * height > Limits::kMaxImagePixels) {
                Refuse(L"is too large: " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
                       L" pixels (the converter takes at most " + std::to_wstring(Limits::kMaxImageSide) +
                       L" pixels a side and " + std::to_wstring(Limits::kMaxImagePixels / 1'000'000) +
                       L" megapixels).");
            }
            if (segment.size() < 6 + 3 * std::size_t{components}) {
                Refuse(L"is damaged: its frame header is too short.");
            }
            image.width = static_cast<int>(width);
            image.height = static_cast<int>(height);
            switch (components) {
            case 1: image.colourModel = ColourModel::Gray; break;
            case 3: image.colourModel = ColourModel::Rgb; break;
            case 4: image.colourModel = ColourModel::Cmyk; break;
            default:
                Refuse(L"has " + std::to_wstring(components) + L" colour components; PDF files carry 1, 3 or 4.");
            }
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
