#include "TiffDirectory.h"

#include "DocumentError.h"
#include "Limits.h"

#include <set>

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

std::uint32_t ReadNumber(std::string_view bytes, std::size_t at, std::size_t size, bool bigEndian) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

} // namespace

TiffDirectory::TiffDirectory(std::string_view file, bool bigEndian, std::uint32_t offset) : bigEndian_(bigEndian) {
    const std::uint32_t count = ReadNumber(file, offset, 2, bigEndian);
    if (file.size() - offset - 2 < std::size_t{count} * 12 + 4) {
        throw DocumentError(L"is truncated: a directory is cut off.");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = offset + 2 + std::size_t{i} * 12;
        const auto tag = static_cast<std::uint16_t>(ReadNumber(file, entry, 2, bigEndian));
        Field field;
        field.type = static_cast<std::uint16_t>(ReadNumber(file, entry + 2, 2, bigEndian));
        field.count = ReadNumber(file, entry + 4, 4, bigEndian);
        const std::uint64_t size = std::uint64_t{TypeSize(field.type)} * field.count;
        if (size == 0) {
            continue; // a type of a later version, or no values: as if absent
        }
        const std::uint64_t at = size <= 4 ? entry + 8 : ReadNumber(file, entry + 8, 4, bigEndian);
        if (at > file.size() || file.size() - at < size) {
            continue; // values beyond the end: the field is unusable, and missed where needed
        }
        field.bytes = file.substr(at, size);
        fields_[tag] = field;
    }
    next_ = ReadNumber(file, offset + 2 + std::size_t{count} * 12, 4, bigEndian);
}

std::uint32_t TiffDirectory::Read(std::string_view bytes, std::size_t at, std::size_t size) const {
    return ReadNumber(bytes, at, size, bigEndian_);
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

std::string_view TiffDirectory::Bytes(TiffTag tag) const {
    const auto found = fields_.find(tag);
    return found == fields_.end() ? std::string_view() : found->second.bytes;
}

std::vector<TiffDirectory> ReadTiffDirectories(std::string_view file, const std::wstring& what) {
    if (file.size() < 8) {
        throw DocumentError(what + L" is truncated: its header is cut off.");
    }
    const bool bigEndian = file.substr(0, 2) == "MM";
    if (!bigEndian && file.substr(0, 2) != "II") {
        throw DocumentError(what + L" is damaged: it does not start with a TIFF byte order.");
    }
    const std::uint32_t version = ReadNumber(file, 2, 2, bigEndian);
    if (version == 43) {
        throw DocumentError(what + L" is a BigTIFF file, which the converter does not take.");
    }
    if (version != 42) {
        throw DocumentError(what + L" is damaged: its header does not say TIFF.");
    }
    std::vector<TiffDirectory> directories;
    std::set<std::uint32_t> seen;
    for (std::uint32_t offset = ReadNumber(file, 4, 4, bigEndian); offset != 0;) {
        if (!seen.insert(offset).second) {
            throw DocumentError(what + L" is damaged: its directories form a loop.");
        }
        if (directories.size() == Limits::kMaxTiffImages) {
            throw DocumentError(what + L" has too many images (more than " + std::to_wstring(Limits::kMaxTiffImages) +
                                L").");
        }
        if (offset > file.size() || file.size() - offset < 2) {
            throw DocumentError(what + L" is truncated: a directory lies beyond its end.");
        }
        try {
            directories.emplace_back(file, bigEndian, offset);
        } catch (const DocumentError& error) {
            throw DocumentError(what + L" " + error.Description());
        }
        offset = directories.back().Next();
    }
    if (directories.empty()) {
        throw DocumentError(what + L" has no image.");
    }
    return directories;
}

} // namespace Document
