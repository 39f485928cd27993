#pragma once
// A process started by a test. It never outlives its owner: the destructor
// kills it when it is still running, so a hung child cannot hang the test.
// It runs in a job of its own, so that killing it also ends whatever it
// started (a stand-in still sleeping, a holder of the signal file). A child
// that ended by itself leaves what it started to finish on its own (a
// browser it opened, say).
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

// Variables that replace (or add to) the test process's own environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

class ChildProcess {
public:
    // Starts commandLine exactly as given (CreateProcessA, no application
    // name). Throws std::runtime_error when the start fails.
    ChildProcess(const std::string& commandLine, const Environment& overrides, const std::string& currentFolder);
    // The same through CreateProcessW, for a command line that holds
    // characters no ANSI code page has.
    ChildProcess(const std::wstring& commandLine, const Environment& overrides, const std::string& currentFolder);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool HasExited() const;

    // The exit code once the process has ended within timeoutMs; nothing
    // when it is still running.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);

    // The ids of the processes in its job that are still running: the child
    // and whatever it has started (none when the job could not be made).
    std::vector<DWORD> ProcessesInJob() const;

    // Ends the process and everything it started that still runs (harmless
    // when all have ended), and waits for the process to go.
    void Kill();

private:
    // Puts the process, started suspended, in a job of its own and lets it run.
    void Adopt(const PROCESS_INFORMATION& info);

    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

} // namespace TestSupport
