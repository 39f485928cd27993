#include "TextDocument.h"

#include "AnsiText.h"
#include "Error.h"
#include "TextDecoding.h"

#include <windows.h>

#include <vector>

namespace Converter {
namespace {

// The names people know code pages by, for the log.
std::wstring CodePageName(unsigned codePage)
{
    switch (codePage) {
    case 932: return L"Shift-JIS";
    case 20932: return L"EUC-JP";
    case 936: return L"GBK";
    case 950: return L"Big5";
    case 949: return L"EUC-KR";
    case 874: return L"Thai (TIS-620)";
    case 20866: return L"KOI8-R";
    case 866: return L"DOS Cyrillic";
    case 855: return L"DOS Cyrillic (855)";
    case 10007: return L"Mac Cyrillic";
    default:
        break;
    }
    if (codePage >= 1250 && codePage <= 1258) {
        return L"Windows-" + std::to_wstring(codePage);
    }
    if (codePage > 28590 && codePage <= 28605) {
        return L"ISO-8859-" + std::to_wstring(codePage - 28590);
    }
    return L"code page " + std::to_wstring(codePage);
}

} // namespace

std::u32string DecodeCodePage(unsigned codePage, const std::string& bytes)
{
    if (codePage == 0) {
        return DecodeAnsi(bytes);
    }
    if (bytes.empty()) {
        return {};
    }
    int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) {
        const DWORD error = ::GetLastError();
        Global::ThrowSystemError(L"Text could not be converted from code page " + std::to_wstring(codePage), error);
    }
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

std::u32string DecodeAnsi(const std::string& bytes)
{
    std::wstring wide = Global::FromAnsi(bytes);
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

std::u32string DecodeDocument(const std::string& bytes)
{
    return Document::DecodeText(bytes, DecodeAnsi);
}

JobKind TextKind(Document::DocumentKind kind, const Document::DetectedEncoding& detected)
{
    JobKind job{kind, detected.encoding, detected.codePage, static_cast<unsigned long>(detected.strays)};
    wchar_t set[16] = {};
    const bool chosen = ::GetEnvironmentVariableW(L"ARDENFOLD_CODEPAGE", set, 16) > 0;
    if (chosen && IsLegacyEncoding(detected.encoding)) {
        job.encoding = Document::TextEncoding::AnsiAsSet;
        job.codePage = 0;
        job.strays = 0;
    }
    return job;
}

Document::AnsiDecoder DecoderFor(const JobKind& kind)
{
    if (kind.encoding == Document::TextEncoding::CodePage) {
        unsigned codePage = kind.codePage;
        return [codePage](const std::string& bytes) { return DecodeCodePage(codePage, bytes); };
    }
    return DecodeAnsi;
}

bool IsTextKind(Document::DocumentKind kind)
{
    return kind == Document::DocumentKind::Text || kind == Document::DocumentKind::Utf16Text;
}

bool IsLegacyEncoding(Document::TextEncoding encoding)
{
    switch (encoding) {
    case Document::TextEncoding::Ansi:
    case Document::TextEncoding::AnsiAsSet:
    case Document::TextEncoding::CodePage:
    case Document::TextEncoding::Utf8WithStrays:
        return true;
    default:
        return false;
    }
}

std::wstring EncodingName(const JobKind& kind)
{
    const std::wstring ansi = L"ANSI code page " + std::to_wstring(::GetACP());
    switch (kind.encoding) {
    case Document::TextEncoding::Utf8WithMark:
        return L"UTF-8 with a byte-order mark";
    case Document::TextEncoding::Utf16LittleEndian:
        return L"UTF-16LE with a byte-order mark";
    case Document::TextEncoding::Utf16BigEndian:
        return L"UTF-16BE with a byte-order mark";
    case Document::TextEncoding::Utf8:
        return L"UTF-8";
    case Document::TextEncoding::Utf8WithStrays:
        return L"UTF-8 but for " + std::to_wstring(kind.strays) + L" stray byte sequence" +
               (kind.strays == 1 ? L"" : L"s") + L", read in the " + ansi;
    case Document::TextEncoding::CodePage:
        return CodePageName(kind.codePage) + L" (code page " + std::to_wstring(kind.codePage) +
               L"), found in its bytes";
    case Document::TextEncoding::AnsiAsSet:
        return ansi + L", as ARDENFOLD_CODEPAGE sets";
    case Document::TextEncoding::Ansi:
        break;
    }
    return ansi + L", as no other encoding stood out";
}

} // namespace Converter
