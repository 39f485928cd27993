#include "ProcessRunner.h"

#include "AnsiText.h"
#include "Handle.h"
#include "MessagePump.h"

#include <windows.h>

#include <vector>

namespace Ardenfold_API {

// The start-up record of the ANSI call, as 32-bit Windows lays it out.
static_assert(sizeof(STARTUPINFOA) == 68);

ProcessRun RunProcess(const std::wstring& processCommand, bool showWindow)
{
    ProcessRun run;
    try {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!showWindow) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = SW_HIDE;
        }
        // CreateProcessA may write into its command line: it gets a copy.
        std::string ansi = Global::ToAnsi(processCommand);
        std::vector<char> commandLine(ansi.begin(), ansi.end());
        commandLine.push_back('\0');

        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                              nullptr, &startup, &info)) {
            return run;
        }
        Global::KernelHandle process(info.hProcess);
        Global::KernelHandle thread(info.hThread);
        run.Started = true;
        run.ProcessId = info.dwProcessId;

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
