#pragma once
// A process started by a test. It never outlives its owner: the destructor
// kills it when it is still running, so a hung child cannot hang the test.
// It runs in a job of its own, so that killing it also ends whatever it
// started; a child that ended by itself leaves what it started to finish on
// its own (a browser it opened, say).
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

// Variables that replace (or add to) the test process's own environment;
// of two with the same name the later one counts.
using Environment = std::vector<std::pair<std::string, std::string>>;

std::wstring Wide(const std::string& ansi);

class ChildProcess {
public:
    // Starts commandLine exactly as given (no application name), on the
    // given desktop ("station\desktop"; empty: the test's own). Throws
    // std::runtime_error when the start fails.
    ChildProcess(const std::wstring& commandLine, const Environment& overrides, const std::string& currentFolder,
                 const std::string& desktop = {});
    ChildProcess(const std::string& commandLine, const Environment& overrides, const std::string& currentFolder)
        : ChildProcess(Wide(commandLine), overrides, currentFolder)
    {
    }
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const { return id_; }
    bool HasExited() const { return ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
    // The exit code once the process has ended within timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    // The ids of the child and whatever it started that still run.
    std::vector<DWORD> ProcessesInJob() const;
    // How many processes the job has held in all, the child included, those
    // that have ended too: a child's place in the order of its starts.
    DWORD ProcessesStarted() const;
    // Ends the process and everything it started, and waits for it to go.
    void Kill();

private:
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

} // namespace TestSupport
