#pragma once
#include <cstdint>
#include <string>

namespace Ardenfold_API {

// The outcome of one hidden process run.
struct ProcessRun {
    bool Started = false;  // false when the command line could not be started
    int32_t ExitCode = 0;  // the process's exit code read as signed; 0 when not started
    uint32_t ProcessId = 0; // the id it ran under; 0 when not started
};

// Starts the command line as a new process (hidden unless showWindow) and
// waits until it has ended, processing window messages meanwhile.
ProcessRun RunProcess(const std::wstring& processCommand, bool showWindow);

// Starts the command line and returns its exit code once it has ended; 0 at
// once when it cannot be started. Never throws and shows nothing.
int32_t RunProcessAndWait(const std::wstring& ProcessCommand, bool ShowWindowFlag);

} // namespace Ardenfold_API
