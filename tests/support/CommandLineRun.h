#pragma once
// One run of the real CommandLine.exe from a sandbox, in one call: the child
// gets the sandbox's temp folder as TMP and TEMP, the sandbox root as its
// current folder and the stand-in's log file in STANDIN_LOG; every box it
// shows is recorded and answered with the next of the given buttons. A run
// that outlasts its bound, or shows more boxes than answers were given, is
// killed and reported as a test failure.
#include "ChildProcess.h"
#include "MessageBoxProbe.h"
#include "Sandbox.h"

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

struct RunOptions {
    std::vector<int> answers;   // one button per expected box, in order
    Environment environment;    // further variables for the child (stand-in scenario)
    DWORD timeoutMs = 30000;    // for the whole run
};

// The usual options: these answers, these further variables.
RunOptions Answering(std::vector<int> answers, Environment environment = {});

struct RunResult {
    std::vector<SeenBox> boxes; // every box seen, in order
    bool exited = false;        // false: the run was killed
    DWORD exitCode = 0;         // valid when exited
    std::string problem;        // why it was killed, or an unused answer

    // The boxes' titles and texts, one per line, for failure messages.
    std::string DescribeBoxes() const;
};

// The child's environment for a sandbox: TMP, TEMP and STANDIN_LOG, then extra.
Environment SandboxEnvironment(const Sandbox& sandbox, const Environment& extra = {});

// Answers the boxes of a CommandLine.exe already started until it ends, on
// the terms of RunCommandLine; `what` names the run in failure messages.
RunResult FinishRun(ChildProcess& child, const std::string& what, const RunOptions& options);

// Runs "<program folder>\CommandLine.exe" followed by one space and the
// arguments (nothing when they are empty). A run that ends in a problem
// adds a GoogleTest failure naming it.
RunResult RunCommandLine(const Sandbox& sandbox, const std::string& arguments, const RunOptions& options = {});

} // namespace TestSupport
