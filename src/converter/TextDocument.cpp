#include "TextDocument.h"

#include "AnsiText.h"

namespace Converter {
namespace {

const std::string Utf8ByteOrderMark = "\xEF\xBB\xBF";

// Decodes one UTF-8 sequence at pos and moves pos past it. False on any
// malformed sequence.
bool NextUtf8(const std::string& bytes, size_t& pos, char32_t& codePoint)
{
    auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = byteAt(pos);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return false;
    }
    if (pos + length > bytes.size()) {
        return false;
    }
    for (size_t i = 1; i < length; ++i) {
        unsigned char next = byteAt(pos + i);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return false;
    }
    pos += length;
    return true;
}

std::u32string DecodeUtf8(const std::string& bytes, size_t start)
{
    std::u32string text;
    size_t pos = start;
    char32_t codePoint = 0;
    while (pos < bytes.size()) {
        if (!NextUtf8(bytes, pos, codePoint)) {
            // Only reached after a byte-order mark promised UTF-8: the fault
            // stays visible rather than vanishing.
            codePoint = U'\xFFFD';
            ++pos;
        }
        text += codePoint;
    }
    return text;
}

// UTF-16 from the ANSI conversion, paired surrogates joined into one code point.
std::u32string ToCodePoints(const std::wstring& wide)
{
    std::u32string text;
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t unit = static_cast<char16_t>(wide[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
            char32_t low = static_cast<char16_t>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        text += unit;
    }
    return text;
}

} // namespace

bool IsValidUtf8(const std::string& bytes)
{
    size_t pos = 0;
    char32_t codePoint = 0;
    while (pos < bytes.size()) {
        if (!NextUtf8(bytes, pos, codePoint)) {
            return false;
        }
    }
    return true;
}

std::u32string DecodeDocument(const std::string& bytes)
{
    if (bytes.compare(0, Utf8ByteOrderMark.size(), Utf8ByteOrderMark) == 0) {
        return DecodeUtf8(bytes, Utf8ByteOrderMark.size());
    }
    if (IsValidUtf8(bytes)) {
        return DecodeUtf8(bytes, 0);
    }
    return ToCodePoints(Global::FromAnsi(bytes));
}

} // namespace Converter
