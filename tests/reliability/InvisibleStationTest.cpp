// A scheduled task that runs whether or not the user is logged on gets a
// window station nobody sees. A box there would wait for ever: the program
// must take the default answer and go on.
#include "EndToEnd.h"

#include <memory>

namespace EndToEnd {
namespace {

TEST(InvisibleStationTest, NoBoxWaitsWhereNobodyCanAnswerIt)
{
    // A window station and desktop of the test's own, which no user sees.
    const std::string name = "ArdenfoldTest" + std::to_string(::GetCurrentProcessId());
    std::unique_ptr<HWINSTA__, decltype(&::CloseWindowStation)> station(
        ::CreateWindowStationA(name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr), &::CloseWindowStation);
    ASSERT_TRUE(station) << "no window station: " << ::GetLastError();
    HWINSTA own = ::GetProcessWindowStation();
    ::SetProcessWindowStation(station.get());
    std::unique_ptr<HDESK__, decltype(&::CloseDesktop)> desktop(
        ::CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr), &::CloseDesktop);
    ::SetProcessWindowStation(own);
    ASSERT_TRUE(desktop) << "no desktop: " << ::GetLastError();
    struct Case {
        std::string arguments;
        DWORD exitCode;
    } cases[] = {
        {"", HelpShown},                   // the help prompt: No, so no browser opens
        {"{}{out.pdf}", InvalidCommandLine}, // "Invalid Print Command in Command Line."
        {"{print}", InvalidCommandLine},     // the trap's box for a missing group
        // "invalid Output File Path in Command Line." is answered by its
        // default and the conversion goes on; its print command cannot start,
        // but the first failure decides.
        {"{Z:\\no\\such\\printer.exe}{}", InvalidCommandLine},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Sandbox sandbox(Converter::Missing);
        // A box on the hidden desktop is out of the harness's sight: a run
        // that waits at one is killed at the bound and fails.
        auto run = StartCommandLine(sandbox, Wide(cases[i].arguments), {}, name + "\\Default");
        RunResult result = FinishRun(*run, {}, 20000);
        EXPECT_TRUE(result.exited) << i << ": a box waited for a click";
        EXPECT_EQ(result.exitCode, cases[i].exitCode) << i;
        EXPECT_TRUE(IsFolder(sandbox.WorkFolder())) << i;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
    }
}

} // namespace
} // namespace EndToEnd
