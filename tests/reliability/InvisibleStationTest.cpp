// A scheduled task that runs whether or not the user is logged on gets a
// window station nobody sees. A box there would wait for ever: the program
// must take the default answer and go on.
#include "Files.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

using namespace TestSupport;

namespace {

// A window station and desktop of the test's own, which no user sees.
class HiddenStation {
public:
    HiddenStation()
    {
        name_ = "ArdenfoldTest" + std::to_string(::GetCurrentProcessId());
        station_ = ::CreateWindowStationA(name_.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
        if (!station_) {
            return;
        }
        HWINSTA own = ::GetProcessWindowStation();
        ::SetProcessWindowStation(station_);
        desktop_ = ::CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ::SetProcessWindowStation(own);
    }
    ~HiddenStation()
    {
        if (desktop_) {
            ::CloseDesktop(desktop_);
        }
        if (station_) {
            ::CloseWindowStation(station_);
        }
    }
    HiddenStation(const HiddenStation&) = delete;
    HiddenStation& operator=(const HiddenStation&) = delete;

    bool IsReady() const { return station_ && desktop_; }
    std::string DesktopPath() const { return name_ + "\\Default"; }

private:
    std::string name_;
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
};

struct HiddenRun {
    bool exited = false;
    DWORD exitCode = 0;
};

// Runs a program on the hidden desktop with the sandbox's temporary folder;
// killed when it outlasts the bound (a box waiting for a click would).
HiddenRun RunHidden(const HiddenStation& station, const Sandbox& sandbox, const std::string& commandLine)
{
    std::string desktop = station.DesktopPath();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop.data();
    std::string environment;
    char* current = ::GetEnvironmentStringsA();
    for (const char* entry = current; *entry; entry += std::strlen(entry) + 1) {
        if (_strnicmp(entry, "TMP=", 4) != 0 && _strnicmp(entry, "TEMP=", 5) != 0) {
            environment += std::string(entry) + '\0';
        }
    }
    ::FreeEnvironmentStringsA(current);
    environment += "TMP=" + sandbox.TempFolder() + '\0' + "TEMP=" + sandbox.TempFolder() + '\0' + '\0';
    std::string line = commandLine;
    PROCESS_INFORMATION info{};
    HiddenRun run;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, environment.data(), nullptr, &startup,
                          &info)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << ::GetLastError();
        return run;
    }
    if (::WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0) {
        run.exited = true;
        ::GetExitCodeProcess(info.hProcess, &run.exitCode);
    } else {
        ::TerminateProcess(info.hProcess, 1);
        ::WaitForSingleObject(info.hProcess, 5000);
    }
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    return run;
}

} // namespace

TEST(InvisibleStationTest, NoBoxWaitsWhereNobodyCanAnswerIt)
{
    HiddenStation station;
    ASSERT_TRUE(station.IsReady()) << "no window station: " << ::GetLastError();
    Sandbox sandbox(Converter::Missing);
    const std::string program = "\"" + sandbox.CommandLineExe() + "\"";

    struct Case {
        std::string arguments;
        DWORD exitCode;
    } cases[] = {
        {"", 1},              // the help prompt: No, so no browser opens
        {"{}{out.pdf}", 2},   // "Invalid Print Command in Command Line."
        {"{print}", 2},       // the trap's box for a missing group
    };
    for (const auto& c : cases) {
        HiddenRun run = RunHidden(station, sandbox, program + (c.arguments.empty() ? "" : " " + c.arguments));
        EXPECT_TRUE(run.exited) << "a box waited for a click: " << c.arguments;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
    }
}

TEST(InvisibleStationTest, RunAfterTheOutputPathMessageGoesOnToTheConversion)
{
    // "invalid Output File Path in Command Line." is answered by its default,
    // and the conversion still runs: here its print command cannot start.
    HiddenStation station;
    ASSERT_TRUE(station.IsReady());
    Sandbox sandbox(Converter::Missing);
    HiddenRun run = RunHidden(station, sandbox, "\"" + sandbox.CommandLineExe() + "\" {Z:\\no\\such\\printer.exe}{}");
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 2u); // the first failure decides
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    EXPECT_TRUE(IsFolder(sandbox.WorkFolder()));
}
