#include "RunLock.h"

#include "AnsiText.h"
#include "Error.h"
#include "MessagePump.h"
#include "SignalExchange.h"
#include "UserMutex.h"

#include <windows.h>

namespace Ardenfold_API {

std::wstring RunLockName(const std::wstring& signalFilePath)
{
    return SignalExchange::RunLockName(signalFilePath);
}

void RunLock::Acquire(const std::wstring& signalFilePath)
{
    if (held_) {
        return;
    }
    if (!mutex_) {
        name_ = RunLockName(signalFilePath);
        std::wstring lock = L"The run lock \"" + name_ + L"\", which keeps conversions with the signal file \"" +
                            signalFilePath + L"\" apart,";
        try {
            mutex_ = Global::OpenUserMutex(name_);
        } catch (const Global::UserMutexRefused& refused) {
            std::wstring reason = refused.Code() == 0 ? L"" : L": " + Global::SystemMessage(refused.Code());
            switch (refused.Problem()) {
            case Global::UserMutexProblem::NoAccess:
                throw RunLockUnavailable(lock + L" is held by another user or program and cannot be opened. No "
                                                L"conversion runs until it is let go" + reason);
            case Global::UserMutexProblem::NotAMutex:
                throw RunLockUnavailable(lock + L" is taken by another program for something else. No conversion "
                                                L"runs until it is let go" + reason);
            case Global::UserMutexProblem::ForeignOwner:
            case Global::UserMutexProblem::OpenToOthers:
                // Such a lock could be held from outside for as long as its
                // maker likes: it is not waited for.
                throw RunLockUnavailable(lock + L" was made by another user or program and " +
                                         refused.Description() +
                                         L", so anyone could hold it. No conversion runs until it is let go.");
            case Global::UserMutexProblem::Failed:
                break;
            }
            throw RunLockUnavailable(lock + L" " + refused.Description());
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
