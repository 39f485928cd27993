#pragma once
// Numbers read from one part of a file (a font's table, an image's header,
// a TIFF directory) in the byte order the format says. Every read is
// checked against the part's end, so a file whose lengths or offsets lie
// gives a DocumentError naming the part instead of a read past the data.
#include "DocumentError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Document {

enum class ByteOrder { BigEndian, LittleEndian };

class ByteReader {
public:
    // The message of a read past the end is `subject` " is damaged: its "
    // `part` " is shorter than its contents say."; both must outlive the
    // reader (literals, usually: a reader costs no allocation).
    ByteReader(std::string_view bytes, ByteOrder order, std::wstring_view subject, std::wstring_view part)
        : bytes_(bytes), order_(order), subject_(subject), part_(part) {}

    std::size_t Size() const noexcept { return bytes_.size(); }
    bool Has(std::size_t offset, std::size_t length) const noexcept {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    std::uint8_t U8(std::size_t offset) const { return static_cast<std::uint8_t>(Bytes(offset, 1)[0]); }
    std::uint16_t U16(std::size_t offset) const { return static_cast<std::uint16_t>(Number(offset, 2)); }
    std::int16_t S16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const { return Number(offset, 4); }
    // An unsigned number of 1 to 4 bytes.
    std::uint32_t Number(std::size_t offset, std::size_t size) const {
        const std::string_view b = Bytes(offset, size);
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value = (value << 8) | static_cast<unsigned char>(b[order_ == ByteOrder::BigEndian ? i : size - 1 - i]);
        }
        return value;
    }
    std::string_view Bytes(std::size_t offset, std::size_t length) const {
        if (!Has(offset, length)) {
            throw DocumentError(std::wstring(subject_) + L" is damaged: its " + std::wstring(part_) +
                                L" is shorter than its contents say.");
        }
        return bytes_.substr(offset, length);
    }

private:
    std::string_view bytes_;
    ByteOrder order_;
    std::wstring_view subject_;
    std::wstring_view part_;
};

} // namespace Document
