#pragma once
// The one way the programs start another process (CreateProcessA): the
// caller says what the child may have of it (handles, a current folder, an
// environment, its standard handles) and gets the child's handles, owned,
// or the reason it did not start.
#include "Handle.h"

#include <windows.h>

#include <string>

namespace Global {

struct ProcessStart {
    std::wstring program;        // empty: the first word of the command line names it
    std::wstring commandLine;
    std::wstring currentFolder;  // empty: the caller's
    DWORD creationFlags = 0;
    bool inheritHandles = false; // only the handles made inheritable
    bool hidden = false;         // its first window shown hidden
    // Both or neither: the child's standard output and error, its input
    // none. They must be inheritable, and inheritHandles set.
    HANDLE standardOutput = nullptr;
    HANDLE standardError = nullptr;
    // An ANSI environment block ("NAME=value\0...\0\0", names sorted); empty:
    // the caller's.
    std::string environment;
};

struct StartedProcess {
    KernelHandle process; // none when it did not start
    KernelHandle thread;
    DWORD processId = 0;
    DWORD error = ERROR_SUCCESS; // why it did not start, captured at once
};

// Throws Global::Error only when a path or the command line cannot be
// represented in the ANSI code page; a process that does not start is
// answered, with the system's reason.
StartedProcess StartProcess(const ProcessStart& start);

} // namespace Global
