#include "MessagePump.h"

#include "Deadline.h"
#include "Error.h"

namespace Global {

void ProcessPendingMessages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

bool WaitProcessingMessages(HANDLE object, DWORD milliseconds)
{
    const Deadline deadline(milliseconds);
    for (;;) {
        DWORD result = ::MsgWaitForMultipleObjects(1, &object, FALSE, deadline.Slice(PumpInterval), QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) {
            return true;
        }
        if (result == WAIT_FAILED) {
            ThrowSystemError(L"A wait for another process failed", ::GetLastError());
        }
        ProcessPendingMessages();
        if (deadline.HasPassed()) {
            DWORD last = ::WaitForSingleObject(object, 0);
            return last == WAIT_OBJECT_0 || last == WAIT_ABANDONED;
        }
    }
}

void PauseProcessingMessages(DWORD milliseconds)
{
    const Deadline deadline(milliseconds);
    do {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline.Slice(milliseconds), QS_ALLINPUT);
        ProcessPendingMessages();
    } while (!deadline.HasPassed());
}

} // namespace Global
