#include "AnsiText.h"

#include "Error.h"

#include <windows.h>

namespace Global {
namespace {

// The two-call pattern: ask for the size, then convert. Reports through
// usedDefault whether any character had no exact form.
std::string Narrow(const std::wstring& text, DWORD flags, BOOL* usedDefault)
{
    if (text.empty()) {
        return {};
    }
    int size = ::WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     usedDefault);
    if (size <= 0) {
        ThrowSystemError(L"Text could not be converted to the ANSI code page", ::GetLastError());
    }
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                          usedDefault);
    return result;
}

} // namespace

bool IsAnsiRepresentable(const std::wstring& text)
{
    BOOL usedDefault = FALSE;
    std::string narrow = Narrow(text, WC_NO_BEST_FIT_CHARS, &usedDefault);
    // Some code pages map a character without reporting the default; a round
    // trip catches those too.
    return !usedDefault && FromAnsi(narrow) == text;
}

std::string ToAnsi(const std::wstring& text)
{
    BOOL usedDefault = FALSE;
    std::string narrow = Narrow(text, WC_NO_BEST_FIT_CHARS, &usedDefault);
    if (usedDefault || FromAnsi(narrow) != text) {
        throw Error(L"The text \"" + text + L"\" cannot be represented in the system's ANSI code page (" +
                    std::to_wstring(::GetACP()) + L").");
    }
    return narrow;
}

std::string ToAnsiForDisplay(const std::wstring& text)
{
    return Narrow(text, 0, nullptr);
}

std::wstring FromAnsi(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) {
        ThrowSystemError(L"Text could not be converted from the ANSI code page", ::GetLastError());
    }
    std::wstring result(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

} // namespace Global
