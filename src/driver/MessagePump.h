#pragma once
// Waits on the program's only thread. They never spin, and they process the
// thread's pending window messages at least every PumpInterval so that the
// system does not take the program for hung.
#include <windows.h>

#include <chrono>

namespace Ardenfold_API {

inline constexpr DWORD PumpInterval = 100; // milliseconds

// One pass over the window messages waiting for this thread.
void ProcessPendingMessages();

// Waits until the object is signalled or the time is up (INFINITE for no
// limit). Returns true when it was signalled. An object already signalled
// costs no pause.
bool WaitProcessingMessages(HANDLE object, DWORD milliseconds);

} // namespace Ardenfold_API
