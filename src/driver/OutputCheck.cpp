#include "OutputCheck.h"

#include "AnsiText.h"

namespace Ardenfold_API {
namespace {

constexpr ULONGLONG TimestampGranularity = 2ULL * 10'000'000ULL; // 2 s in 100 ns units

ULONGLONG ToTicks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

FILETIME CurrentFileTime()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return now;
}

bool IsDocumentWrittenSince(const std::wstring& path, const FILETIME& since)
{
    try {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExA(Global::ToAnsi(path).c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return false;
        }
        ULONGLONG start = ToTicks(since);
        ULONGLONG threshold = start > TimestampGranularity ? start - TimestampGranularity : 0;
        return ToTicks(data.ftLastWriteTime) >= threshold;
    } catch (...) {
        return false;
    }
}

} // namespace Ardenfold_API
