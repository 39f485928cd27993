#pragma once
// The end of a bounded wait, and the slices a polling wait sleeps in: the
// one place where elapsed time is reckoned.
#include <windows.h>

#include <algorithm>

namespace Global {

class Deadline {
public:
    // INFINITE: a wait without a limit, which never passes.
    explicit Deadline(DWORD milliseconds) noexcept : start_(::GetTickCount64()), limit_(milliseconds) {}

    bool IsInfinite() const noexcept { return limit_ == INFINITE; }

    bool HasPassed() const noexcept { return !IsInfinite() && Elapsed() >= limit_; }

    // The next pause: slice, or what is left of the limit when that is less.
    DWORD Slice(DWORD slice) const noexcept
    {
        if (IsInfinite()) {
            return slice;
        }
        ULONGLONG elapsed = Elapsed();
        return elapsed >= limit_ ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(slice, limit_ - elapsed));
    }

private:
    ULONGLONG Elapsed() const noexcept { return ::GetTickCount64() - start_; }

    ULONGLONG start_;
    DWORD limit_;
};

} // namespace Global
