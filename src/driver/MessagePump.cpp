#include "MessagePump.h"

#include <algorithm>

namespace Ardenfold_API {

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
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        DWORD slice = PumpInterval;
        if (milliseconds != INFINITE) {
            ULONGLONG elapsed = ::GetTickCount64() - start;
            if (elapsed >= milliseconds) {
                return ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
            }
            slice = static_cast<DWORD>(std::min<ULONGLONG>(slice, milliseconds - elapsed));
        }
        DWORD result = ::MsgWaitForMultipleObjects(1, &object, FALSE, slice, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) {
            return true;
        }
        if (result == WAIT_FAILED) {
            // A handle that cannot be waited on is never signalled; the pause
            // keeps this from spinning.
            ::Sleep(slice);
        }
        ProcessPendingMessages();
    }
}

} // namespace Ardenfold_API
