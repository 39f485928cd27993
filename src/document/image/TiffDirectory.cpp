#include "TiffDirectory.h"

#include "DocumentError.h"
#include "ImageData.h"

namespace Document {

namespace {

// The size of one value of each field type (0: a type TIFF does not define).
std::size_t TypeSize(std::uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

std::uint32_t ReadNumber(std::string_view bytes, std::size_t at, std::size_t size, ByteOrder order) {
    return ByteReader(bytes, order, L"The TIFF data", L"directory").Number(at, size);
}

} // namespace

TiffDirectory::TiffDirectory(std::string_view file, ByteOrder order, std::uint32_t offset) : order_(order) {
    const std::uint32_t count = ReadNumber(file, offset, 2, order_);
    if (file.size() - offset - 2 < std::size_t{count} * 12) {
        throw DocumentError(L"is truncated: a directory is cut off.");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = offset + 2 + std::size_t{i} * 12;
        const auto tag = static_cast<std::uint16_t>(ReadNumber(file, entry, 2, order_));
        Field field;
        field.type = static_cast<std::uint16_t>(ReadNumber(file, entry + 2, 2, order_));
        field.count = ReadNumber(file, entry + 4, 4, order_);
        const std::uint64_t size = std::uint64_t{TypeSize(field.type)} * field.count;
        if (size == 0) {
            continue; // a type of a later version, or no values: as if absent
        }
        const std::uint64_t at = size <= 4 ? entry + 8 : ReadNumber(file, entry + 8, 4, order_);
        if (at > file.size() || file.size() - at < size) {
            continue; // values beyond the end: the field is unusable, and missed where needed
        }
        field.bytes = file.substr(at, size);
        fields_[tag] = field;
    }
}

std::uint32_t TiffDirectory::Read(std::string_view bytes, std::size_t at, std::size_t size) const {
    return ReadNumber(bytes, at, size, order_);
}

std::vector<std::uint32_t> TiffDirectory::Values(TiffTag tag) const {
    const auto found = fields_.find(tag);
    if (found == fields_.end()) {
        return {};
    }
    const Field& field = found->second;
    const std::size_t size = TypeSize(field.type);
    if (field.type != 1 && field.type != 3 && field.type != 4) {
        return {};
    }
    std::vector<std::uint32_t> values(field.count);
    for (std::size_t i = 0; i < field.count; ++i) {
        values[i] = Read(field.bytes, i * size, size);
    }
    return values;
}

std::uint32_t TiffDirectory::Value(TiffTag tag, std::uint32_t fallback) const {
    const auto found = fields_.find(tag);
    if (found == fields_.end() || (found->second.type != 1 && found->second.type != 3 && found->second.type != 4)) {
        return fallback;
    }
    const std::size_t size = TypeSize(found->second.type);
    return Read(found->second.bytes, 0, size);
}

double TiffDirectory::Rational(TiffTag tag) const {
    const auto found = fields_.find(tag);
    if (found == fields_.end() || found->second.type != 5) {
        return 0;
    }
    const std::uint32_t denominator = Read(found->second.bytes, 4, 4);
    return denominator == 0 ? 0 : double(Read(found->second.bytes, 0, 4)) / denominator;
}

std::optional<std::pair<double, double>> TiffDirectory::DotsPerInch() const {
    const double x = Rational(kXResolution);
    const double y = Rational(kYResolution);
    const std::uint32_t unit = Value(kResolutionUnit, 2);
    if (x <= 0 || y <= 0 || (unit != 2 && unit != 3)) {
        return std::nullopt;
    }
    const ResolutionUnit in = unit == 3 ? ResolutionUnit::Centimetre : ResolutionUnit::Inch;
    return std::pair(Document::DotsPerInch(x, in), Document::DotsPerInch(y, in));
}

int TiffDirectory::Orientation() const { return ValidOrientation(Value(kOrientation, 1)); }

std::optional<ByteOrder> TiffByteOrder(std::string_view file) {
    const std::string_view mark = file.substr(0, 2);
    return mark == "MM" ? std::optional(ByteOrder::BigEndian)
                        : mark == "II" ? std::optional(ByteOrder::LittleEndian) : std::nullopt;
}

std::optional<TiffDirectory> ReadFirstTiffDirectory(std::string_view tiff) {
    const std::optional<ByteOrder> order = TiffByteOrder(tiff);
    if (!order || tiff.size() < 8 || ReadNumber(tiff, 2, 2, *order) != 42) {
        return std::nullopt;
    }
    const std::uint32_t offset = ReadNumber(tiff, 4, 4, *order);
    if (offset > tiff.size() || tiff.size() - offset < 2) {
        return std::nullopt;
    }
    try {
        return TiffDirectory(tiff, *order, offset);
    } catch (const DocumentError&) {
        return std::nullopt;
    }
}

} // namespace Document
