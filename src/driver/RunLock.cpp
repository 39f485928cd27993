#include "RunLock.h"

#include "AnsiText.h"
#include "Error.h"
#include "MessagePump.h"

#include <windows.h>

#include <cwctype>
#include <cstdio>

namespace Ardenfold_API {

std::wstring RunLockName(const std::wstring& signalFilePath)
{
    // FNV-1a over the upper-cased path: a backslash may not appear in the
    // name, and the path may be longer than a name may be.
    unsigned long long hash = 14695981039346656037ULL;
    for (wchar_t c : signalFilePath) {
        hash ^= static_cast<unsigned long long>(std::towupper(c));
        hash *= 1099511628211ULL;
    }
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", hash);
    return std::wstring(L"Local\\Ardenfold.CommandLine.") + digits;
}

void RunLock::Acquire(const std::wstring& signalFilePath)
{
    if (held_) {
        return;
    }
    if (!mutex_) {
        name_ = RunLockName(signalFilePath);
        mutex_.Reset(::CreateMutexA(nullptr, FALSE, Global::ToAnsi(name_).c_str()));
        if (!mutex_) {
            Global::ThrowSystemError(L"The run lock \"" + name_ + L"\" could not be made", ::GetLastError());
        }
    }
    // WAIT_ABANDONED counts as taken: the run that held it has died.
    if (!Global::WaitProcessingMessages(mutex_.Get(), static_cast<DWORD>(waitLimit_.count()))) {
        auto minutes = std::chrono::duration_cast<std::chrono::minutes>(waitLimit_).count();
        throw RunLockTimeout(L"Another conversion has used the signal file \"" + signalFilePath + L"\" for more than " +
                             std::to_wstring(minutes) + L" minutes. This conversion gives up waiting for it.");
    }
    held_ = true;
}

void RunLock::Release() noexcept
{
    if (held_) {
        ::ReleaseMutex(mutex_.Get());
        held_ = false;
    }
}

} // namespace Ardenfold_API
