#pragma once
// Runs of the real CommandLine.exe that a test starts now and finishes
// later, so that it can act meanwhile: start other runs, leave a box open,
// change the signal file while a child of the run sleeps, or kill the run
// half-way. The command line may hold characters that no ANSI code page has.
#include "ChildProcess.h"
#include "CommandLineRun.h"
#include "Sandbox.h"

#include <windows.h>

#include <memory>
#include <string>

namespace Reliability {

// Starts "<program folder>\CommandLine.exe", one space and the arguments
// (nothing when they are empty), as RunCommandLine does; a variable of
// `extra` replaces the sandbox's own of the same name (TMP, say).
std::unique_ptr<TestSupport::ChildProcess> StartCommandLine(const TestSupport::Sandbox &sandbox,
                                                            const std::wstring &arguments,
                                                            const TestSupport::Environment &extra = {});
std::unique_ptr<TestSupport::ChildProcess> StartCommandLine(const TestSupport::Sandbox &sandbox,
                                                            const std::string &arguments,
                                                            const TestSupport::Environment &extra = {});

// Answers the run's boxes with these buttons, in order, until it ends;
// as RunCommandLine, a run that outlasts the bound is killed and fails the test.
TestSupport::RunResult Finish(TestSupport::ChildProcess &run, const std::vector<int> &answers, DWORD timeoutMs = 30000);

// Blocks until the stand-in's log holds at least `count` records of the
// role; false when timeoutMs passes first.
bool WaitForRecords(const TestSupport::Sandbox &sandbox, const std::string &role, size_t count, DWORD timeoutMs);

// Blocks until nothing exists at the path; false when timeoutMs passes first.
bool WaitUntilAbsent(const std::string &path, DWORD timeoutMs);

std::wstring Wide(const std::string &ansi);

} // namespace Reliability
