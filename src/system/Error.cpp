#include "Error.h"

#include "AnsiText.h"

namespace Global {

std::wstring SystemMessage(DWORD code)
{
    char buffer[512] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                               buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) {
        return L"system error " + std::to_wstring(code);
    }
    return FromAnsi(text) + L" (error " + std::to_wstring(code) + L")";
}

void ThrowSystemError(const std::wstring& what, DWORD code)
{
    throw Error(what + L": " + SystemMessage(code) + L".");
}

} // namespace Global
