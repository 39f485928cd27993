#include "PdfValues.h"

#include <cstdio>

namespace Document {
namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

} // namespace

std::string PdfNumber(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

void AppendEscapedPdfString(std::string& out, std::string_view bytes)
{
    // Most bytes need no escape: they go in runs, not one by one (a text's
    // glyph codes pass through here).
    size_t run = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char byte = bytes[i];
        if (byte != '(' && byte != ')' && byte != '\\' && byte != '\r' && byte != '\n') {
            continue;
        }
        out.append(bytes.data() + run, i - run);
        out += '\\';
        out += byte == '\r' ? 'r' : byte == '\n' ? 'n' : byte;
        run = i + 1;
    }
    out.append(bytes.data() + run, bytes.size() - run);
}

std::u16string Utf16Units(std::u32string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return units;
}

void AppendHex4(std::string& out, uint16_t value)
{
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += HexDigits[(value >> shift) & 0xF];
    }
}

void AppendHexUnits(std::string& out, std::u16string_view units)
{
    for (char16_t unit : units) {
        AppendHex4(out, unit);
    }
}

std::string PdfTextString(const std::u32string& text)
{
    bool ascii = true;
    for (char32_t character : text) {
        ascii = ascii && character >= 0x20 && character < 0x7F;
    }
    if (ascii) {
        std::string literal(1, '(');
        AppendEscapedPdfString(literal, std::string(text.begin(), text.end()));
        return literal += ')';
    }
    std::string hex = "<FEFF";
    AppendHexUnits(hex, Utf16Units(text));
    return hex + ">";
}

PdfDictionary& PdfDictionary::Key(PdfName key)
{
    body_ += " /";
    body_ += key.Text();
    body_ += ' ';
    return *this;
}

PdfDictionary& PdfDictionary::Name(PdfName key, PdfName value)
{
    Key(key).body_ += std::string("/") + value.Text();
    return *this;
}

PdfDictionary& PdfDictionary::MadeName(PdfName key, std::string_view name)
{
    std::string& out = Key(key).body_;
    out += '/';
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        // Delimiters, white space, '#' and bytes outside printable ASCII go as #xx.
        if (byte < 0x21 || byte > 0x7E || std::string_view("#()<>[]{}/%").find(c) != std::string_view::npos) {
            out += '#';
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return *this;
}

PdfDictionary& PdfDictionary::Integer(PdfName key, long long value)
{
    Key(key).body_ += std::to_string(value);
    return *this;
}

PdfDictionary& PdfDictionary::Boolean(PdfName key, bool value)
{
    Key(key).body_ += value ? "true" : "false";
    return *this;
}

PdfDictionary& PdfDictionary::Real(PdfName key, double value)
{
    Key(key).body_ += PdfNumber(value);
    return *this;
}

PdfDictionary& PdfDictionary::Ref(PdfName key, PdfRef value)
{
    Key(key).body_ += std::to_string(value.number) + " 0 R";
    return *this;
}

PdfDictionary& PdfDictionary::ResourceRef(const std::string& resourceName, PdfRef value)
{
    body_ += " /" + resourceName + " " + std::to_string(value.number) + " 0 R";
    return *this;
}

PdfDictionary& PdfDictionary::Dictionary(PdfName key, const PdfDictionary& value)
{
    Key(key).body_ += value.Written();
    return *this;
}

PdfDictionary& PdfDictionary::Array(PdfName key, const PdfArray& value)
{
    Key(key).body_ += value.Written();
    return *this;
}

PdfDictionary& PdfDictionary::Text(PdfName key, const std::u32string& value)
{
    Key(key).body_ += PdfTextString(value);
    return *this;
}

PdfDictionary& PdfDictionary::Bytes(PdfName key, std::string_view value)
{
    Key(key).body_ += '(';
    AppendEscapedPdfString(body_, value);
    body_ += ')';
    return *this;
}

PdfArray& PdfArray::Separate()
{
    if (!body_.empty()) {
        body_ += ' ';
    }
    return *this;
}

PdfArray& PdfArray::Name(PdfName value)
{
    Separate().body_ += std::string("/") + value.Text();
    return *this;
}

PdfArray& PdfArray::Integer(long long value)
{
    Separate().body_ += std::to_string(value);
    return *this;
}

PdfArray& PdfArray::Real(double value)
{
    Separate().body_ += PdfNumber(value);
    return *this;
}

PdfArray& PdfArray::Ref(PdfRef value)
{
    Separate().body_ += std::to_string(value.number) + " 0 R";
    return *this;
}

PdfArray& PdfArray::Dictionary(const PdfDictionary& value)
{
    Separate().body_ += value.Written();
    return *this;
}

PdfArray& PdfArray::Array(const PdfArray& value)
{
    Separate().body_ += value.Written();
    return *this;
}

PdfArray& PdfArray::HexBytes(std::string_view value)
{
    std::string& body = Separate().body_;
    body.reserve(body.size() + 2 * value.size() + 2);
    body += '<';
    for (const unsigned char byte : value) {
        body += HexDigits[byte >> 4];
        body += HexDigits[byte & 0xF];
    }
    body += '>';
    return *this;
}

} // namespace Document
