#include "TextDecoding.h"

#include <algorithm>

namespace Document {
namespace {

constexpr char32_t Replacement = 0xFFFD;

bool StartsWith(const std::string& bytes, const char* prefix, size_t length)
{
    return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

// Decodes one UTF-8 sequence at pos and moves pos past it. False on any
// malformed sequence (pos is then left where it was).
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
    if (bytes.size() - pos < length) {
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

// Malformed runs go to strays when it is given, else each byte becomes
// U+FFFD.
std::u32string DecodeUtf8(const std::string& bytes, size_t start, const AnsiDecoder* strays = nullptr)
{
    if (strays != nullptr && !IsValidUtf8(bytes)) {
        std::u32string text;
        size_t pos = start;
        char32_t codePoint = 0;
        while (pos < bytes.size()) {
            size_t next = pos;
            if (NextUtf8(bytes, next, codePoint)) {
                text += codePoint;
                pos = next;
                continue;
            }
            // The whole malformed run at once: a double-byte ANSI code page
            // reads a pair of stray bytes as one character.
            size_t end = pos + 1;
            for (size_t probe = end; probe < bytes.size() && !NextUtf8(bytes, probe, codePoint); probe = ++end) {
            }
            text += (*strays)(bytes.substr(pos, end - pos));
            pos = end;
        }
        return text;
    }
    // Never more characters than bytes: written in place, then cut to size,
    // for every byte of a text passes through here.
    std::u32string text(bytes.size() - start, U'\0');
    char32_t* out = text.data();
    size_t pos = start;
    char32_t codePoint = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            *out++ = static_cast<char32_t>(bytes[pos++]);
            continue;
        }
        if (!NextUtf8(bytes, pos, codePoint)) {
            codePoint = Replacement;
            ++pos;
        }
        *out++ = codePoint;
    }
    text.resize(static_cast<size_t>(out - text.data()));
    return text;
}

std::u32string DecodeUtf16(const std::string& bytes, bool bigEndian, size_t start = 2)
{
    std::u16string units;
    units.reserve(bytes.size() / 2);
    size_t pos = start; // past the byte-order mark
    for (; pos + 1 < bytes.size(); pos += 2) {
        auto first = static_cast<unsigned char>(bytes[pos]);
        auto second = static_cast<unsigned char>(bytes[pos + 1]);
        units += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    std::u32string text = JoinSurrogates(units);
    if (pos < bytes.size()) {
        text += Replacement;
    }
    return text;
}

// Where the last whole UTF-8 sequence of the bytes ends: a lead byte among
// the last three whose sequence runs past the end starts what waits.
size_t Utf8Cut(const std::string& bytes)
{
    size_t size = bytes.size();
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
        auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80) {
            continue; // a continuation byte: its lead is further back
        }
        size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

} // namespace

void Utf8Check::Add(std::string_view piece)
{
    std::string bytes = std::move(held_);
    bytes += piece;
    size_t cut = Utf8Cut(bytes);
    held_ = bytes.substr(cut);
    size_t pos = 0;
    char32_t codePoint = 0;
    while (pos < cut) {
        // Runs of ASCII are the common case of every text: skip them fast.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            inInvalidRun_ = false;
            continue;
        }
        if (NextUtf8(bytes, pos, codePoint) && pos <= cut) {
            ++nonAscii_;
            inInvalidRun_ = false;
            continue;
        }
        ++pos;
        if (!inInvalidRun_) {
            ++invalid_;
            inInvalidRun_ = true;
        }
    }
}

TextEncoding TextEncodingOf(std::string_view head, bool validUtf8)
{
    if (head.substr(0, 3) == "\xEF\xBB\xBF") {
        return TextEncoding::Utf8WithMark;
    }
    if (head.substr(0, 2) == "\xFF\xFE") {
        return TextEncoding::Utf16LittleEndian;
    }
    if (head.substr(0, 2) == "\xFE\xFF") {
        return TextEncoding::Utf16BigEndian;
    }
    return validUtf8 ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

TextDecoder::TextDecoder(TextEncoding encoding, AnsiDecoder decodeAnsi)
    : encoding_(encoding), decodeAnsi_(std::move(decodeAnsi)),
      markLeft_(encoding == TextEncoding::Utf8WithMark ? 3
                : encoding == TextEncoding::Utf16LittleEndian || encoding == TextEncoding::Utf16BigEndian ? 2
                                                                                                          : 0)
{
}

std::u32string TextDecoder::Decode(std::string_view piece)
{
    size_t skip = std::min(markLeft_, piece.size());
    markLeft_ -= skip;
    std::string bytes = std::move(held_);
    held_.clear();
    bytes += piece.substr(skip);
    size_t cut = bytes.size();
    switch (encoding_) {
    case TextEncoding::Utf8WithMark:
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithStrays:
        cut = Utf8Cut(bytes);
        break;
    case TextEncoding::Utf16LittleEndian:
    case TextEncoding::Utf16BigEndian: {
        cut -= cut % 2;
        if (cut >= 2) {
            bool big = encoding_ == TextEncoding::Utf16BigEndian;
            auto unit = static_cast<unsigned char>(bytes[cut - (big ? 2 : 1)]);
            if (unit >= 0xD8 && unit <= 0xDB) {
                cut -= 2; // a high surrogate waits for its pair
            }
        }
        break;
    }
    case TextEncoding::Ansi:
    case TextEncoding::AnsiAsSet:
    case TextEncoding::CodePage: {
        size_t last = bytes.size();
        while (last > 0 && static_cast<unsigned char>(bytes[last - 1]) >= 0x40) {
            --last;
        }
        if (last > 0) {
            cut = last;
        }
        break;
    }
    }
    held_ = bytes.substr(cut);
    bytes.resize(cut);
    return DecodeWhole(bytes);
}

std::u32string TextDecoder::Finish()
{
    std::string bytes = std::move(held_);
    held_.clear();
    return DecodeWhole(bytes);
}

std::u32string TextDecoder::DecodeWhole(const std::string& bytes)
{
    if (bytes.empty()) {
        return {};
    }
    switch (encoding_) {
    case TextEncoding::Utf8WithMark:
    case TextEncoding::Utf8:
        return DecodeUtf8(bytes, 0);
    case TextEncoding::Utf8WithStrays:
        return DecodeUtf8(bytes, 0, &decodeAnsi_);
    case TextEncoding::Utf16LittleEndian:
        return DecodeUtf16(bytes, false, 0);
    case TextEncoding::Utf16BigEndian:
        return DecodeUtf16(bytes, true, 0);
    case TextEncoding::Ansi:
    case TextEncoding::AnsiAsSet:
    case TextEncoding::CodePage:
        break;
    }
    return decodeAnsi_(bytes);
}

TextEncoding DetectTextEncoding(const std::string& bytes)
{
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        return TextEncoding::Utf8WithMark;
    }
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        return TextEncoding::Utf16LittleEndian;
    }
    if (StartsWith(bytes, "\xFE\xFF", 2)) {
        return TextEncoding::Utf16BigEndian;
    }
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

bool IsValidUtf8(const std::string& bytes)
{
    size_t pos = 0;
    char32_t codePoint = 0;
    while (pos < bytes.size()) {
        // Runs of ASCII are the common case of every text: skip them fast.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (!NextUtf8(bytes, pos, codePoint)) {
            return false;
        }
    }
    return true;
}

std::u32string JoinSurrogates(const std::u16string& units)
{
    std::u32string text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            text += 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            text += Replacement;
        } else {
            text += unit;
        }
    }
    return text;
}

std::u32string DecodeText(const std::string& bytes, const AnsiDecoder& decodeAnsi)
{
    switch (DetectTextEncoding(bytes)) {
    case TextEncoding::Utf8WithMark:
        return DecodeUtf8(bytes, 3);
    case TextEncoding::Utf16LittleEndian:
        return DecodeUtf16(bytes, false);
    case TextEncoding::Utf16BigEndian:
        return DecodeUtf16(bytes, true);
    case TextEncoding::Utf8:
        return DecodeUtf8(bytes, 0);
    default:
        break;
    }
    return decodeAnsi(bytes);
}

} // namespace Document
