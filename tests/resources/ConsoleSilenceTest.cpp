// Started from a console, CommandLine.exe writes nothing to it, whatever its
// command line: its standard output and error are pipes here, and every
// message box it shows is answered (No where offered, so that no browser is
// opened, OK otherwise) until it ends.
#include "MessageBoxProbe.h"
#include "ResourceFiles.h"
#include "TempFolder.h"

#include "AnsiText.h"
#include "Handle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ResourcesTest {
namespace {

constexpr DWORD RunLimitMs = 30000;

struct Pipe {
    Global::KernelHandle read;
    Global::KernelHandle write; // inherited by the child
};

Pipe MakePipe()
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Pipe pipe;
    if (!::CreatePipe(pipe.read.Put(), pipe.write.Put(), &inheritable, 0) ||
        !::SetHandleInformation(pipe.read.Get(), HANDLE_FLAG_INHERIT, 0)) {
        ADD_FAILURE() << "CreatePipe failed, error " << ::GetLastError();
    }
    return pipe;
}

// Never blocks: a process that the child started may still hold the pipe.
DWORD BytesWaiting(const Pipe& pipe)
{
    DWORD available = 0;
    ::PeekNamedPipe(pipe.read.Get(), nullptr, 0, nullptr, &available, nullptr);
    return available;
}

// The test's own environment with TMP and TEMP pointing at `temp`, so that
// the child's working folder and signal file are the test's own.
std::string EnvironmentWithTemp(const std::string& temp)
{
    std::string block;
    char* strings = ::GetEnvironmentStringsA();
    for (const char* entry = strings; *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1) {
        std::string variable(entry);
        std::string name = variable.substr(0, variable.find('='));
        if (::lstrcmpiA(name.c_str(), "TMP") != 0 && ::lstrcmpiA(name.c_str(), "TEMP") != 0) {
            block += variable + '\0';
        }
    }
    ::FreeEnvironmentStringsA(strings);
    block += "TMP=" + temp + '\0' + "TEMP=" + temp + '\0';
    return block + '\0';
}

struct ConsoleRun {
    bool ended = false;
    DWORD outputBytes = 0;
    DWORD errorBytes = 0;
};

ConsoleRun RunWithConsolePipes(const std::string& arguments, const std::string& temp)
{
    Pipe output = MakePipe();
    Pipe error = MakePipe();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output.write.Get();
    startup.hStdError = error.write.Get();
    std::string commandLine = std::string("\"") + CommandLineExe + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::string environment = EnvironmentWithTemp(temp);
    PROCESS_INFORMATION started{};
    ConsoleRun run;
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, environment.data(), nullptr,
                          &startup, &started)) {
        ADD_FAILURE() << "cannot start " << commandLine << ", error " << ::GetLastError();
        return run;
    }
    Global::KernelHandle process(started.hProcess);
    Global::KernelHandle thread(started.hThread);
    output.write.Reset();
    error.write.Reset();

    DWORD start = ::GetTickCount();
    while (::WaitForSingleObject(process.Get(), 50) == WAIT_TIMEOUT) {
        if (::GetTickCount() - start > RunLimitMs) {
            ::TerminateProcess(process.Get(), 1);
            ::WaitForSingleObject(process.Get(), 5000);
            return run;
        }
        if (auto box = TestSupport::FindMessageBox(started.dwProcessId)) {
            TestSupport::PressButton(*box, box->Has(IDNO) ? IDNO : IDOK);
            // Give the box time to go before it is looked for again.
            ::Sleep(200);
        }
    }
    run.ended = true;
    run.outputBytes = BytesWaiting(output);
    run.errorBytes = BytesWaiting(error);
    return run;
}

TEST(ConsoleSilenceTest, WritesNothingToStandardOutputOrErrorWhateverItsCommandLine)
{
    TestFiles::TempFolder temp(L"ConsoleSilence");
    std::string tempPath = Global::ToAnsi(temp.Path());
    // The help prompt, a missing print command, and text that is no pair of
    // brace groups.
    const std::string commandLines[] = {"", "{}{out.pdf}", "not a brace group"};
    for (const std::string& arguments : commandLines) {
        ConsoleRun run = RunWithConsolePipes(arguments, tempPath);
        ASSERT_TRUE(run.ended) << "\"" << arguments << "\" was still running after " << RunLimitMs << " ms";
        EXPECT_EQ(0u, run.outputBytes) << "\"" << arguments << "\"";
        EXPECT_EQ(0u, run.errorBytes) << "\"" << arguments << "\"";
    }
}

} // namespace
} // namespace ResourcesTest
