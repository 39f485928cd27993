#include "ProcessStart.h"

#include "AnsiText.h"

#include <vector>

namespace Global {

// The start-up record of the ANSI call, as 32-bit Windows lays it out.
static_assert(sizeof(STARTUPINFOA) == 68);

StartedProcess StartProcess(const ProcessStart& start)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (start.hidden) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    if (start.standardOutput != nullptr || start.standardError != nullptr) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = start.standardOutput;
        startup.hStdError = start.standardError;
    }
    const std::string program = ToAnsi(start.program);
    const std::string folder = ToAnsi(start.currentFolder);
    // CreateProcessA may write into its command line: it gets a copy.
    const std::string ansi = ToAnsi(start.commandLine);
    std::vector<char> commandLine(ansi.begin(), ansi.end());
    commandLine.push_back('\0');
    std::string environment = start.environment;

    StartedProcess started;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr, nullptr,
                          start.inheritHandles ? TRUE : FALSE, start.creationFlags,
                          environment.empty() ? nullptr : environment.data(), folder.empty() ? nullptr : folder.c_str(),
                          &startup, &info)) {
        started.error = ::GetLastError();
        return started;
    }
    started.process.Reset(info.hProcess);
    started.processId = info.dwProcessId;
    started.thread.Reset(info.hThread);
    return started;
}

} // namespace Global
