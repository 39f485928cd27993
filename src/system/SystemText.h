#pragma once
// The ANSI calls that write their answer into the caller's buffer: the fixed
// buffer first, then a larger one when the answer did not fit, so that a
// truncated or untouched buffer is never taken for the answer.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

namespace Global {

// ask(buffer, size) makes the call and returns its count: 0 for a failure,
// less than size for the characters written, size or more when the answer
// did not fit (the size it needs, or the size itself for calls that only
// truncate). The buffer starts as firstSize copies of fill. Nothing when the
// call failed or the answer never fit.
template <typename Ask>
std::optional<std::string> AskSystemText(DWORD firstSize, char fill, Ask ask)
{
    constexpr DWORD LargestPath = 32768;
    std::string buffer(firstSize, fill);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = ask(buffer.data(), size);
        if (n == 0) {
            return std::nullopt;
        }
        if (n < size) {
            buffer.resize(n);
            return buffer;
        }
        if (size > LargestPath) {
            return std::nullopt;
        }
        buffer.assign(std::max<DWORD>(n + 1, size * 2), fill);
    }
}

} // namespace Global
