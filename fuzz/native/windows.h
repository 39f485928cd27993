#pragma once
// The few Windows declarations that the fuzzed sources of the Windows
// programs include, for the native fuzz build: their types, the tick count,
// and UTF-8 to UTF-16 as MultiByteToWideChar gives it (on Windows the
// system's; here NativeText.cpp's, which decodes strictly, as Windows does
// for CP_UTF8 without flags, but with U+FFFD for a malformed sequence).
#include <cstdint>

using DWORD = unsigned long;
using ULONGLONG = unsigned long long;
using UINT = unsigned int;
using BYTE = unsigned char;

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr UINT CP_UTF8 = 65001;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

ULONGLONG GetTickCount64();

// Only CP_UTF8 and flags 0; wide characters are wchar_t, here 32 bits, so
// each output unit is a whole code point.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int length, wchar_t* wide, int wideLength);
