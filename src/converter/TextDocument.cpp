#include "TextDocument.h"

#include "AnsiText.h"
#include "TextDecoding.h"

#include <windows.h>

namespace Converter {

std::u32string DecodeAnsi(const std::string& bytes)
{
    std::wstring wide = Global::FromAnsi(bytes);
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

std::u32string DecodeDocument(const std::string& bytes)
{
    return Document::DecodeText(bytes, DecodeAnsi);
}

std::wstring EncodingName(Document::TextEncoding encoding)
{
    switch (encoding) {
    case Document::TextEncoding::Utf8WithMark:
        return L"UTF-8 with a byte-order mark";
    case Document::TextEncoding::Utf16LittleEndian:
        return L"UTF-16LE with a byte-order mark";
    case Document::TextEncoding::Utf16BigEndian:
        return L"UTF-16BE with a byte-order mark";
    case Document::TextEncoding::Utf8:
        return L"UTF-8";
    case Document::TextEncoding::Ansi:
        break;
    }
    return L"ANSI code page " + std::to_wstring(::GetACP());
}

} // namespace Converter
