#include "PdfValues.h"

#include <cstdio>

namespace Document {

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

std::string EscapePdfString(std::string_view bytes)
{
    std::string escaped;
    escaped.reserve(bytes.size() + 8);
    for (char byte : bytes) {
        switch (byte) {
        case '(':
        case ')':
        case '\\':
            escaped += '\\';
            escaped += byte;
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += byte;
        }
    }
    return escaped;
}

std::string PdfTextString(const std::u32string& text)
{
    bool ascii = true;
    for (char32_t character : text) {
        ascii = ascii && character >= 0x20 && character < 0x7F;
    }
    if (ascii) {
        return "(" + EscapePdfString(std::string(text.begin(), text.end())) + ")";
    }
    std::string hex = "<FEFF";
    auto unit = [&](unsigned value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%04X", value);
        hex += buffer;
    };
    for (char32_t character : text) {
        if (character >= 0x10000) {
            unit(0xD800 + ((character - 0x10000) >> 10));
            unit(0xDC00 + ((character - 0x10000) & 0x3FF));
        } else {
            unit(character);
        }
    }
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
    Key(key).body_ += "(" + EscapePdfString(value) + ")";
    return *this;
}

PdfDictionary& PdfDictionary::Raw(PdfName key, std::string_view pdfText)
{
    Key(key).body_ += pdfText;
    return *this;
}

PdfDictionary& PdfDictionary::RawEntries(std::string_view pdfText)
{
    if (!pdfText.empty()) {
        body_ += ' ';
        body_ += pdfText;
    }
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
    static const char digits[] = "0123456789ABCDEF";
    std::string& body = Separate().body_;
    body.reserve(body.size() + 2 * value.size() + 2);
    body += '<';
    for (const unsigned char byte : value) {
        body += digits[byte >> 4];
        body += digits[byte & 15];
    }
    body += '>';
    return *this;
}

} // namespace Document
