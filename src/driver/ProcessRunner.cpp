#include "ProcessRunner.h"

#include "Handle.h"
#include "MessagePump.h"
#include "ProcessStart.h"

#include <windows.h>

namespace Ardenfold_API {

ProcessRun RunProcess(const std::wstring& processCommand, bool showWindow)
{
    ProcessRun run;
    try {
        Global::ProcessStart start;
        start.commandLine = processCommand;
        start.inheritHandles = true;
        start.creationFlags = NORMAL_PRIORITY_CLASS;
        start.hidden = !showWindow;
        Global::StartedProcess started = Global::StartProcess(start);
        if (!started.process) {
            return run;
        }
        Global::KernelHandle process = std::move(started.process);
        run.Started = true;
        run.ProcessId = started.processId;

        // The signalled handle tells that the process has ended: an exit code
        // of 259 (STILL_ACTIVE) alone would keep the wait going for ever.
        Global::WaitProcessingMessages(process.Get(), INFINITE);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.Get(), &exitCode);
        run.ExitCode = static_cast<int32_t>(exitCode);
    } catch (...) {
        run.ExitCode = 0; // the function's own trap: nothing is reported, the sequence goes on
    }
    return run;
}

int32_t RunProcessAndWait(const std::wstring& ProcessCommand, bool ShowWindowFlag)
{
    return RunProcess(ProcessCommand, ShowWindowFlag).ExitCode;
}

} // namespace Ardenfold_API
