#pragma once
// Runs of the real CommandLine.exe from a sandbox: the child gets the
// sandbox's temp folder as TMP and TEMP, the sandbox root as its current
// folder and the stand-in's log in STANDIN_LOG. Every box it shows is
// recorded and answered with the next of the given buttons; a run that
// outlasts its bound, or shows more boxes than answers were given, is killed
// and fails the test.
#include "ChildProcess.h"
#include "MessageBoxProbe.h"
#include "Sandbox.h"

#include <memory>
#include <string>
#include <vector>

namespace TestSupport {

struct RunResult {
    std::vector<SeenBox> boxes; // every box seen, in order
    bool exited = false;        // false: the run was killed
    DWORD exitCode = 0;         // valid when exited

    // The boxes' titles and texts, one per line, for failure messages.
    std::string DescribeBoxes() const;
};

// The child's environment for a sandbox: TMP, TEMP, STANDIN_LOG and the real
// converter's folder, then extra.
Environment SandboxEnvironment(const Sandbox& sandbox, const Environment& extra = {});

// Starts "<program folder>\CommandLine.exe", one space and the arguments
// (nothing when they are empty), so that the test can act while it runs.
// The wide form carries characters that no ANSI code page has.
std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox& sandbox, const std::wstring& arguments,
                                               const Environment& extra = {}, const std::string& desktop = {});
std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox& sandbox, const std::string& arguments,
                                               const Environment& extra = {});

// Answers the run's boxes with these buttons, in order, until it ends.
RunResult FinishRun(ChildProcess& child, const std::vector<int>& answers, DWORD timeoutMs = 30000);

// Both at once.
RunResult RunCommandLine(const Sandbox& sandbox, const std::string& arguments, const std::vector<int>& answers = {},
                         const Environment& extra = {}, DWORD timeoutMs = 30000);

} // namespace TestSupport
