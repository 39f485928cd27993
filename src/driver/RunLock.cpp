#include "RunLock.h"

#include "AnsiText.h"
#include "Error.h"
#include "MessagePump.h"

#include <windows.h>
#include <sddl.h>

#include <cwctype>
#include <cstdio>
#include <vector>

namespace Ardenfold_API {

namespace {

[[noreturn]] void ThrowUnavailable(const std::wstring& what, DWORD code)
{
    throw RunLockUnavailable(what + L": " + Global::SystemMessage(code));
}

// The current user's SID as text ("S-1-5-21-...").
std::string CurrentUserSid()
{
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        ThrowUnavailable(L"The run lock cannot be made: the process's user is unknown", ::GetLastError());
    }
    Global::KernelHandle token(rawToken);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size == 0 ? sizeof(TOKEN_USER) : size);
    if (!::GetTokenInformation(token.Get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
        ThrowUnavailable(L"The run lock cannot be made: the process's user is unknown", ::GetLastError());
    }
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        ThrowUnavailable(L"The run lock cannot be made: the process's user is unknown", ::GetLastError());
    }
    std::string sid(text);
    ::LocalFree(text);
    return sid;
}

// Admits the current user alone: in the machine-wide namespace another user
// could otherwise open the lock and hold up this user's runs.
class CurrentUserOnly {
public:
    CurrentUserOnly()
    {
        std::string sddl = "D:P(A;;GA;;;" + CurrentUserSid() + ")";
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                                    nullptr)) {
            ThrowUnavailable(L"The run lock's access rights cannot be made", ::GetLastError());
        }
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    ~CurrentUserOnly() { ::LocalFree(descriptor_); }
    CurrentUserOnly(const CurrentUserOnly&) = delete;
    CurrentUserOnly& operator=(const CurrentUserOnly&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

} // namespace

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
    return std::wstring(L"Global\\Ardenfold.CommandLine.") + digits;
}

void RunLock::Acquire(const std::wstring& signalFilePath)
{
    if (held_) {
        return;
    }
    if (!mutex_) {
        name_ = RunLockName(signalFilePath);
        CurrentUserOnly access;
        mutex_.Reset(::CreateMutexA(access.Attributes(), FALSE, Global::ToAnsi(name_).c_str()));
        if (!mutex_) {
            DWORD code = ::GetLastError();
            std::wstring lock = L"The run lock \"" + name_ + L"\", which keeps conversions with the signal file \"" +
                                signalFilePath + L"\" apart,";
            if (code == ERROR_ACCESS_DENIED) {
                ThrowUnavailable(lock + L" is held by another user or program and cannot be opened. No conversion "
                                        L"runs until it is let go",
                                 code);
            }
            if (code == ERROR_INVALID_HANDLE) {
                ThrowUnavailable(lock + L" is taken by another program for something else. No conversion runs "
                                        L"until it is let go",
                                 code);
            }
            ThrowUnavailable(lock + L" could not be made", code);
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
