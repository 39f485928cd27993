#include "DocumentKind.h"

#include "ByteReader.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace Document {

namespace {

// A control character that plain text never holds. Tab, line feed,
// vertical tab, form feed and carriage return are layout; backspace
// (overstrike in formatted manual pages), escape (terminal colours in logs)
// and SUB (the old end-of-file mark) turn up in real text files.
bool NeverInText(std::uint32_t c) {
    if (c >= 0x20) {
        return false;
    }
    switch (c) {
    case 0x08: case 0x09: case 0x0a: case 0x0b: case 0x0c: case 0x0d: case 0x1a: case 0x1b: return false;
    default: return true;
    }
}

struct Signature {
    std::string_view magic;
    std::size_t offset;
    const wchar_t* name;
};

// Formats whose signature is made of bytes that text never holds (or that
// carry such bytes right after it), so a match is never a text document.
constexpr std::array kBinaryFormats{
    Signature{std::string_view("MZ"), 0, L"a Windows or DOS program"},
    Signature{std::string_view("\x7f" "ELF", 4), 0, L"a Linux or Unix program"},
    Signature{std::string_view("PK\x03\x04", 4), 0, L"a ZIP archive (or an office document packed in one)"},
    Signature{std::string_view("PK\x05\x06", 4), 0, L"a ZIP archive"},
    Signature{std::string_view("\x1f\x8b", 2), 0, L"a gzip-compressed file"},
    Signature{std::string_view("7z\xbc\xaf\x27\x1c", 6), 0, L"a 7z archive"},
    Signature{std::string_view("Rar!\x1a\x07", 6), 0, L"a RAR archive"},
    Signature{std::string_view("BZh"), 0, L"a bzip2-compressed file"},
    Signature{std::string_view("\xfd" "7zXZ\0", 6), 0, L"an xz-compressed file"},
    Signature{std::string_view("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8), 0, L"an older Office document (Word, Excel)"},
    Signature{std::string_view("WEBP"), 8, L"a WebP image"},
    Signature{std::string_view("\0\0\1\0", 4), 0, L"an icon file"},
};

bool Matches(std::string_view bytes, const Signature& signature) {
    return bytes.size() >= signature.offset + signature.magic.size() &&
           bytes.substr(signature.offset, signature.magic.size()) == signature.magic;
}

std::wstring Hex(std::uint32_t value, int digits) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (int i = digits - 1; i >= 0; --i) {
        text += kDigits[(value >> (4 * i)) & 15];
    }
    return text;
}

// "BM", then a file header whose info header has one of the sizes bitmaps
// have: a text that starts with "BM" has none of them.
bool LooksLikeBitmap(std::string_view bytes) {
    if (bytes.size() < 18 || bytes.substr(0, 2) != "BM") {
        return false;
    }
    const std::uint32_t headerSize = ByteReader(bytes, ByteOrder::LittleEndian, L"The bitmap", L"file header").U32(14);
    return headerSize == 12 || headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
           headerSize == 108 || headerSize == 124;
}

DocumentSniff Refuse(std::wstring reason) { return {DocumentKind::Refused, std::move(reason)}; }

constexpr wchar_t kImagesTaken[] = L"the converter takes JPEG, PNG, TIFF, GIF, BMP, PBM, PGM, PPM and XBM images";

// HEIC (the photos of phones) and AVIF are ISO media files: a first box
// "ftyp" that lists brands, the major one first. Its size field starts with
// NUL bytes, so such a file is never text. Null when no brand names one.
const wchar_t* PhotoFormatOfMediaFile(std::string_view bytes) {
    if (bytes.size() < 16 || bytes.substr(4, 4) != "ftyp") {
        return nullptr;
    }
    const std::uint32_t boxSize = ByteReader(bytes, ByteOrder::BigEndian, L"The media file", L"first box").U32(0);
    const std::size_t end = std::min<std::size_t>(std::max<std::uint32_t>(boxSize, 16), bytes.size());
    bool heif = false;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) { // the minor version follows the major brand
        const std::string_view brand = bytes.substr(at, 4);
        if (brand == "avif" || brand == "avis") {
            return L"an AVIF image";
        }
        heif = heif || brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" || brand == "hevc" ||
               brand == "hevx" || brand == "mif1" || brand == "msf1";
    }
    return heif ? L"a HEIC (HEIF) photo" : nullptr;
}

bool IsXmlNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

// An SVG drawing is text, but XML whose root element is "svg" (with a
// namespace prefix or none) and says so: its start tag declares the SVG
// namespace, or the document type names svg. What may stand before the
// root: a byte-order mark, blanks, the XML declaration, comments,
// processing instructions and the document type.
bool IsSvgDrawing(std::string_view bytes) {
    constexpr std::string_view kNamespace = "http://www.w3.org/2000/svg";
    std::size_t at = bytes.substr(0, 3) == "\xef\xbb\xbf" ? 3 : 0;
    bool svgType = false;
    for (;;) {
        at = bytes.find_first_not_of(" \t\r\n", at);
        if (at == std::string_view::npos || bytes[at] != '<' || at + 1 >= bytes.size()) {
            return false;
        }
        std::string_view close;
        std::size_t from = at + 2;
        if (bytes.substr(at, 4) == "<!--") {
            close = "-->";
        } else if (bytes[at + 1] == '?' || bytes[at + 1] == '!') {
            close = ">";
            // A document type's internal subset (drawing programs declare
            // entities there) holds ">" of its own.
            const std::size_t subset = bytes.find('[', at);
            if (bytes[at + 1] == '!' && subset < bytes.find('>', at)) {
                from = bytes.find(']', subset);
            }
        } else {
            std::size_t name = at + 1;
            std::size_t nameEnd = name;
            while (nameEnd < bytes.size() && IsXmlNameCharacter(bytes[nameEnd])) {
                ++nameEnd;
            }
            std::string_view element = bytes.substr(name, nameEnd - name);
            const std::size_t colon = element.rfind(':');
            if ((colon == std::string_view::npos ? element : element.substr(colon + 1)) != "svg") {
                return false;
            }
            const std::string_view tag = bytes.substr(nameEnd, bytes.find('>', nameEnd) - nameEnd);
            return svgType || tag.find(kNamespace) != std::string_view::npos;
        }
        svgType = svgType || bytes.substr(at, 13) == "<!DOCTYPE svg";
        const std::size_t end = bytes.find(close, from);
        if (end == std::string_view::npos) {
            return false;
        }
        at = end + close.size();
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A netpbm image (PBM, PGM, PPM; plain P1-P3 or raw P4-P6): its magic, then
// the width, height and (but for a bitmap) the largest sample as decimal
// numbers, blanks or comments between. The numbers are asked for so that a
// text that starts "P1 " stays a text; the image reader checks the rest.
bool IsNetpbmImage(std::string_view bytes) {
    if (bytes.size() < 3 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6' || (!IsBlank(bytes[2]) && bytes[2] != '#')) {
        return false;
    }
    const int numbers = bytes[1] == '1' || bytes[1] == '4' ? 2 : 3;
    std::size_t at = 2;
    for (int n = 0; n < numbers; ++n) {
        for (;;) {
            while (at < bytes.size() && IsBlank(bytes[at])) {
                ++at;
            }
            if (at >= bytes.size() || bytes[at] != '#') {
                break;
            }
            at = bytes.find('\n', at);
        }
        const std::size_t digits = at;
        while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
            ++at;
        }
        if (at == digits || at >= bytes.size() || !IsBlank(bytes[at])) {
            return false;
        }
    }
    return true;
}

// An X bitmap (XBM) is C source: "#define <name>_width <n>", the height the
// same way, then the array "<name>_bits[]" of its rows.
bool IsXbmImage(std::string_view bytes) {
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || bytes.substr(start, 8) != "#define ") {
        return false;
    }
    const std::size_t line = bytes.find('\n', start);
    const std::string_view first = bytes.substr(start, line == std::string_view::npos ? bytes.size() : line - start);
    const std::size_t width = first.find("_width");
    return width != std::string_view::npos && first.find_first_of(" \t", 8) > width &&
           bytes.find("_height", line) != std::string_view::npos && bytes.find("_bits[]") != std::string_view::npos;
}

// Text is refused at its first byte that text never holds; a file with a
// known binary signature is refused by that format's name. A binary file
// that starts like a bitmap is one, so that the bitmap reader names what is
// wrong with it.
DocumentSniff NotText(std::string_view bytes, std::uint64_t offset, std::uint32_t value, int digits) {
    if (bytes.substr(0, 2) == "BM") {
        return {DocumentKind::Bmp, {}};
    }
    if (const wchar_t* photo = PhotoFormatOfMediaFile(bytes)) {
        return Refuse(L"The document is " + std::wstring(photo) + L", not a text, image or PDF document (" +
                      kImagesTaken + L").");
    }
    for (const Signature& signature : kBinaryFormats) {
        if (Matches(bytes, signature)) {
            const bool image = signature.magic == "WEBP" || signature.magic == std::string_view("\0\0\1\0", 4);
            return Refuse(L"The document is " + std::wstring(signature.name) + L", not a text, image or PDF document" +
                          (image ? L" (" + std::wstring(kImagesTaken) + L")." : L"."));
        }
    }
    const std::wstring what = digits == 4 ? L"the character U+" + Hex(value, 4) : L"the byte 0x" + Hex(value, 2);
    return Refuse(L"The document is not a text, image or PDF document: it holds binary data (" + what +
                  L" at offset " + std::to_wstring(offset) + L", which text never has).");
}

} // namespace

DocumentSniff SniffDocumentKind(std::string_view bytes) {
    // Nothing, or a byte-order mark and nothing after it: a program that
    // failed to write the document, whose "conversion" would be one blank
    // page. A text of blanks alone is left to convert: its blank pages are
    // what it holds, and a user may mean them.
    if (bytes.empty() || bytes == "\xef\xbb\xbf" || bytes == "\xff\xfe" || bytes == "\xfe\xff") {
        return Refuse(L"The document is empty: it holds no bytes" + std::wstring(bytes.empty() ? L"" : L" but a byte-order mark") +
                      L", which is almost always a failure of the program that wrote it.");
    }
    if (bytes.substr(0, 5) == "%PDF-") {
        return {DocumentKind::Pdf, {}};
    }
    if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
        return {DocumentKind::Png, {}};
    }
    if (bytes.substr(0, 3) == "\xff\xd8\xff") {
        return {DocumentKind::Jpeg, {}};
    }
    // Classic TIFF (42) or BigTIFF (43), in either byte order.
    if (bytes.substr(0, 4) == std::string_view("II*\0", 4) || bytes.substr(0, 4) == std::string_view("MM\0*", 4) ||
        bytes.substr(0, 4) == std::string_view("II+\0", 4) || bytes.substr(0, 4) == std::string_view("MM\0+", 4)) {
        return {DocumentKind::Tiff, {}};
    }
    if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a") {
        return {DocumentKind::Gif, {}};
    }
    if (LooksLikeBitmap(bytes)) {
        return {DocumentKind::Bmp, {}};
    }
    if (IsNetpbmImage(bytes)) {
        return {DocumentKind::Netpbm, {}};
    }
    if (bytes.substr(0, 2) == "P7" && bytes.size() > 2 && IsBlank(bytes[2])) {
        return Refuse(L"The document is a PAM image (netpbm's P7), which the converter does not take (" +
                      std::wstring(kImagesTaken) + L").");
    }
    if (IsXbmImage(bytes)) {
        return {DocumentKind::Xbm, {}};
    }
    // An X pixmap is C source too; its colour table names X11's colours,
    // which this program does not carry.
    if (bytes.substr(0, 9) == "/* XPM */") {
        return Refuse(L"The document is an XPM image, which the converter does not draw (printed as text it would be "
                      L"pages of C source): save it as PNG first.");
    }
    if (bytes.substr(0, 4) == std::string_view("\xff\xfe\0\0", 4) || bytes.substr(0, 4) == std::string_view("\0\0\xfe\xff", 4)) {
        return Refuse(L"The document is UTF-32 text, which the converter does not take (save it as UTF-8 or UTF-16).");
    }
    const bool littleEndian = bytes.substr(0, 2) == "\xff\xfe";
    if (littleEndian || bytes.substr(0, 2) == "\xfe\xff") {
        for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
            const auto low = static_cast<unsigned char>(bytes[littleEndian ? at : at + 1]);
            const auto high = static_cast<unsigned char>(bytes[littleEndian ? at + 1 : at]);
            const std::uint32_t unit = (high << 8) | low;
            if (NeverInText(unit)) {
                return NotText(bytes, at, unit, 4);
            }
        }
        return {DocumentKind::Utf16Text, {}};
    }
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const auto c = static_cast<unsigned char>(bytes[at]);
        if (NeverInText(c)) {
            return NotText(bytes, at, c, 2);
        }
    }
    // Drawing one would take an SVG renderer and its libraries, which this
    // program does not carry; as text it would be pages of XML.
    if (IsSvgDrawing(bytes)) {
        return Refuse(L"The document is an SVG drawing, which the converter does not draw (printed as text it would "
                      L"be pages of XML): save it as PDF or PNG first.");
    }
    return {DocumentKind::Text, {}};
}

void DocumentSniffer::Add(std::string_view bytes)
{
    if (!decided_) {
        std::size_t take = std::min(bytes.size(), kHeadBytes - head_.size());
        head_ += bytes.substr(0, take);
        bytes.remove_prefix(take);
        if (head_.size() < kHeadBytes) {
            return;
        }
        Decide();
    }
    Scan(bytes);
}

const DocumentSniff& DocumentSniffer::Finish()
{
    if (!decided_) {
        Decide();
    }
    if (oddByte_ >= 0 && sniff_.kind == DocumentKind::Utf16Text) {
        oddByte_ = -1; // an odd last byte is decoded as U+FFFD, as SniffDocumentKind lets it be
    }
    const TextEncoding byMark = TextEncodingOf(head_, true);
    if (byMark != TextEncoding::Utf8) {
        detected_ = DetectedEncoding{byMark, 0, {}, 0};
    } else if (sniff_.kind == DocumentKind::Text) {
        detected_ = detector_.Finish();
    }
    return sniff_;
}

void DocumentSniffer::Decide()
{
    decided_ = true;
    sniff_ = SniffDocumentKind(head_);
    offset_ = head_.size();
    if (sniff_.kind == DocumentKind::Utf16Text && head_.size() % 2 == 1) {
        oddByte_ = static_cast<unsigned char>(head_.back());
        --offset_;
    }
    if (sniff_.kind == DocumentKind::Text) {
        detector_.Add(head_);
    }
}

void DocumentSniffer::Scan(std::string_view bytes)
{
    if (sniff_.kind == DocumentKind::Text) {
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            const auto c = static_cast<unsigned char>(bytes[at]);
            if (c < 0x20 && NeverInText(c)) {
                sniff_ = NotText(head_, offset_ + at, c, 2);
                return;
            }
        }
        detector_.Add(bytes);
        offset_ += bytes.size();
    } else if (sniff_.kind == DocumentKind::Utf16Text) {
        const bool littleEndian = head_.substr(0, 2) == "\xff\xfe";
        std::size_t at = 0;
        while (at < bytes.size()) {
            unsigned first = 0, second = 0;
            if (oddByte_ >= 0) {
                first = static_cast<unsigned>(oddByte_);
                second = static_cast<unsigned char>(bytes[at]);
                oddByte_ = -1;
                at += 1;
            } else if (at + 1 < bytes.size()) {
                first = static_cast<unsigned char>(bytes[at]);
                second = static_cast<unsigned char>(bytes[at + 1]);
                at += 2;
            } else {
                oddByte_ = static_cast<unsigned char>(bytes[at]);
                return;
            }
            const std::uint32_t unit = littleEndian ? (second << 8 | first) : (first << 8 | second);
            if (NeverInText(unit)) {
                sniff_ = NotText(head_, offset_, unit, 4);
                return;
            }
            offset_ += 2;
        }
    }
}


} // namespace Document
