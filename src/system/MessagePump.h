#pragma once
// Waits on the program's only thread. They never spin, and they process the
// thread's pending window messages at least every PumpInterval so that the
// system does not take the program for hung.
#include <windows.h>

namespace Global {

inline constexpr DWORD PumpInterval = 100; // milliseconds

// One pass over the window messages waiting for this thread.
void ProcessPendingMessages();

// Waits until the object is signalled (or abandoned, for a mutex) or the
// time is up (INFINITE for no limit). Returns true when it was signalled. An
// object already signalled costs no pause. Throws Global::Error when the
// object cannot be waited on: such a wait would never end.
bool WaitProcessingMessages(HANDLE object, DWORD milliseconds);

// Sleeps for the given time, waking for window messages and processing them.
void PauseProcessingMessages(DWORD milliseconds);

} // namespace Global
