// The native stand-ins of windows.h (beside this file) and of
// src/system/AnsiText.h: the ANSI code page is Latin-1 here, as in the
// other fuzz targets.
#include "AnsiText.h"
#include "Error.h"

#include <windows.h>

#include <ctime>

ULONGLONG GetTickCount64()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

int MultiByteToWideChar(UINT, DWORD, const char* bytes, int length, wchar_t* wide, int wideLength)
{
    int count = 0;
    for (int i = 0; i < length;) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                    : lead >= 0xF0 && lead < 0xF5                  ? 3
                                                                   : -1;
        char32_t c = extra <= 0 ? (extra == 0 ? lead : 0xFFFD) : lead & (0x3F >> extra);
        int used = 1;
        for (int k = 1; k <= extra; ++k, ++used) {
            if (i + k >= length || (static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = c << 6 | (bytes[i + k] & 0x3F);
        }
        if (extra > 0 && c != 0xFFFD &&
            (c < (extra == 2 ? 0x800u : extra == 3 ? 0x10000u : 0x80u) || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))) {
            c = 0xFFFD;
        }
        if (wide) {
            if (count >= wideLength) {
                return 0;
            }
            wide[count] = static_cast<wchar_t>(c);
        }
        ++count;
        i += used;
    }
    return count;
}

namespace Global {

std::wstring FromAnsi(const std::string& text)
{
    return std::wstring(reinterpret_cast<const unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

std::string ToAnsi(const std::wstring& text)
{
    std::string ansi;
    for (wchar_t c : text) {
        if (static_cast<unsigned long>(c) > 0xFF) {
            throw Error(L"A character has no form in the ANSI code page.");
        }
        ansi += static_cast<char>(c);
    }
    return ansi;
}

} // namespace Global
