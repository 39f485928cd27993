#pragma once
// How a running process was started, read from its own process parameters:
// for programs a test cannot plant a recorder in, such as a system program
// started through the shell.
#include <windows.h>

#include <optional>
#include <string>

namespace TestSupport {

struct ProcessStart {
    std::string commandLine;
    std::string currentFolder;
};

// Nothing when the process ends (or cannot be read) within timeoutMs.
std::optional<ProcessStart> ReadProcessStart(DWORD processId, DWORD timeoutMs = 2000);

} // namespace TestSupport
