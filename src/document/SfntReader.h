#pragma once
// Big-endian numbers read from one part of a TrueType font (a table, the
// table directory, one glyph). Every read is checked against the part's end,
// so a font whose lengths or offsets lie gives a DocumentError naming the
// part instead of a read past the data.
#include "DocumentError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Document {

class SfntReader {
public:
    // part names the bytes in the message, e.g. L"'hmtx' table"; it must
    // outlive the reader (a literal, usually: a reader costs no allocation).
    SfntReader(std::string_view bytes, std::wstring_view part) : bytes_(bytes), part_(part) {}

    size_t Size() const noexcept { return bytes_.size(); }
    bool Has(size_t offset, size_t length) const noexcept
    {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    uint8_t U8(size_t offset) const { return static_cast<uint8_t>(Bytes(offset, 1)[0]); }
    uint16_t U16(size_t offset) const
    {
        std::string_view b = Bytes(offset, 2);
        return static_cast<uint16_t>(Byte(b, 0) << 8 | Byte(b, 1));
    }
    int16_t S16(size_t offset) const { return static_cast<int16_t>(U16(offset)); }
    uint32_t U32(size_t offset) const
    {
        std::string_view b = Bytes(offset, 4);
        return Byte(b, 0) << 24 | Byte(b, 1) << 16 | Byte(b, 2) << 8 | Byte(b, 3);
    }
    std::string_view Bytes(size_t offset, size_t length) const
    {
        if (!Has(offset, length)) {
            throw DocumentError(L"The font is damaged: its " + std::wstring(part_) + L" is shorter than its contents say.");
        }
        return bytes_.substr(offset, length);
    }

private:
    static uint32_t Byte(std::string_view b, size_t i) { return static_cast<unsigned char>(b[i]); }

    std::string_view bytes_;
    std::wstring_view part_;
};

} // namespace Document
