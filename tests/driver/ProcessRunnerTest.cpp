#include "ProcessRunner.h"

#include "Bounded.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>


using namespace Ardenfold_API;

namespace {

std::wstring Probe(const std::wstring& arguments)
{
    return L"\"" CHILD_PROBE L"\" " + arguments;
}

DWORD HandleCount()
{
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

} // namespace

TEST(ProcessRunnerTest, ReturnsTheExitCodeReadAsSigned)
{
    EXPECT_EQ(RunProcessAndWait(Probe(L"0"), false), 0);
    EXPECT_EQ(RunProcessAndWait(Probe(L"3"), false), 3);
    EXPECT_EQ(RunProcessAndWait(Probe(L"0xC0000005"), false), static_cast<int32_t>(0xC0000005));
    EXPECT_LT(RunProcessAndWait(Probe(L"0x80000000"), false), 0);
}

TEST(ProcessRunnerTest, ExitCode259EndsTheWait)
{
    // 259 reads as "still running" to an exit-code poll; the wait must end anyway.
    std::optional<ProcessRun> run =
        TestSupport::RunWithin(std::chrono::seconds(20), [] { return RunProcess(Probe(L"259"), false); });
    ASSERT_TRUE(run.has_value()) << "the wait did not end";
    EXPECT_TRUE(run->Started);
    EXPECT_EQ(run->ExitCode, 259);
}

TEST(ProcessRunnerTest, AStartThatFailsReturnsZeroAtOnce)
{
    const std::wstring commands[] = {L"", L"Z:\\no\\such\\program.exe", L"no-such-program-anywhere.exe /x",
                                     L"\"unclosed quote"};
    for (const auto& command : commands) {
        ProcessRun run = RunProcess(command, false);
        EXPECT_FALSE(run.Started) << std::string(command.begin(), command.end());
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(RunProcessAndWait(command, false), 0);
    }
    EXPECT_EQ(RunProcessAndWait(L"\u4e00.exe", false), 0);
}

TEST(ProcessRunnerTest, HiddenUnlessAskedToShow)
{
    TestFiles::TempFolder folder(L"ProcessRunnerTest");
    std::wstring record = folder / L"startup.txt";

    RunProcessAndWait(Probe(L"0 0 \"" + record + L"\""), false);
    std::string hidden = TestFiles::ReadBytes(record);
    EXPECT_EQ(hidden.substr(0, hidden.find('\n')), std::to_string(STARTF_USESHOWWINDOW) + " " + std::to_string(SW_HIDE));

    RunProcessAndWait(Probe(L"0 0 \"" + record + L"\""), true);
    std::string shown = TestFiles::ReadBytes(record);
    EXPECT_EQ(shown.substr(0, shown.find('\n')).substr(0, 2), "0 ");
}

TEST(ProcessRunnerTest, CommandLineArrivesUnchanged)
{
    TestFiles::TempFolder folder(L"ProcessRunnerTest");
    std::wstring record = folder / L"startup.txt";
    std::wstring command = Probe(L"0 0 \"" + record + L"\" \"quoted arg\" back\\\\slash {brace}  two  spaces");
    RunProcessAndWait(command, false);
    std::string recorded = TestFiles::ReadBytes(record);
    std::string expected(command.begin(), command.end());
    EXPECT_EQ(recorded.substr(recorded.find('\n') + 1), expected);
}

TEST(ProcessRunnerTest, NoHandleOfTheChildIsLeftOpen)
{
    RunProcessAndWait(Probe(L"0"), false); // first use loads what the runner needs
    DWORD before = HandleCount();
    for (int i = 0; i < 5; ++i) {
        RunProcessAndWait(Probe(L"1"), false);
    }
    EXPECT_EQ(HandleCount(), before);
}
