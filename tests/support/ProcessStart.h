#pragma once
// How a running process was started, read from its own memory (its process
// parameters): the command line exactly as it was given, and its current
// folder. For processes that tests cannot plant a recorder in, such as a
// system program started through the shell.
#include <windows.h>

#include <optional>
#include <string>

namespace TestSupport {

struct ProcessStart {
    std::string commandLine;
    std::string currentFolder;
};

// Nothing when the process has ended (or cannot be read) before its
// parameters could be read; waits for them at most timeoutMs.
std::optional<ProcessStart> ReadProcessStart(DWORD processId, DWORD timeoutMs = 2000);

} // namespace TestSupport
