// The harness must itself be trustworthy: a stuck child must die, a box must
// not be missed, a record must come back byte for byte.
#include "ChildProcess.h"
#include "CommandLineRun.h"
#include "Files.h"
#include "MessageBoxProbe.h"
#include "Sandbox.h"
#include "StandInLog.h"

#include <gtest/gtest.h>

namespace TestSupport {
namespace {

std::string PrintRun(const Sandbox& sandbox)
{
    return "\"" + sandbox.StandInExe() + "\" print me";
}

TEST(ChildProcessTest, ExitCodeAndEnvironmentReachTheTest)
{
    Sandbox sandbox;
    ChildProcess child(PrintRun(sandbox), SandboxEnvironment(sandbox, {{"STANDIN_PRINT_EXIT_CODE", "0xC0000005"}}),
                       sandbox.Root());
    std::optional<DWORD> code = child.WaitForExit(30000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0xC0000005u);
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].role, "print");
    EXPECT_EQ(runs[0].commandLine, PrintRun(sandbox));
    // The stand-in found the signal file by the program's own rule under the sandbox's TMP.
    EXPECT_EQ(runs[0].signalPath, sandbox.SignalFile());
}

TEST(ChildProcessTest, AHungChildIsKilledWithWhatItStarted)
{
    Sandbox sandbox;
    std::string signal = sandbox.SignalFile();
    DWORD id = 0;
    {
        ChildProcess child(PrintRun(sandbox),
                           SandboxEnvironment(sandbox, {{"STANDIN_SIGNAL_FILE", signal},
                                                        {"STANDIN_PRINT_HOLD_MS", "60000"},
                                                        {"STANDIN_PRINT_SLEEP_MS", "60000"}}),
                           sandbox.Root());
        id = child.Id();
        EXPECT_FALSE(child.WaitForExit(1000).has_value());
    }
    HANDLE gone = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (gone != nullptr) {
        EXPECT_EQ(::WaitForSingleObject(gone, 0), WAIT_OBJECT_0);
        ::CloseHandle(gone);
    }
    // The holder it had started died with it: the file can be removed.
    EXPECT_TRUE(RemoveTree(signal));
}

TEST(MessageBoxProbeTest, AProcessWithoutBoxesShowsNone)
{
    Sandbox sandbox;
    ChildProcess child(PrintRun(sandbox), SandboxEnvironment(sandbox, {{"STANDIN_PRINT_SLEEP_MS", "500"}}),
                       sandbox.Root());
    EXPECT_TRUE(NoMessageBoxWithin(child, 300));
    EXPECT_FALSE(FindMessageBox(child.Id()).has_value());
}

TEST(MessageBoxProbeTest, ReadsAndAnswersTheHelpPrompt)
{
    Sandbox sandbox;
    RunResult result = RunCommandLine(sandbox, "", Answering({IDNO}));
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].title, "Help");
    EXPECT_NE(result.boxes[0].text.find("Invalid Command Line"), std::string::npos);
    EXPECT_EQ(result.boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(result.exited);
}

TEST(SandboxTest, ProgramFolderWithSpacesAndCleanRemoval)
{
    std::string root;
    {
        Sandbox sandbox(Converter::Placed, "Program Files x86 (test)");
        root = sandbox.Root();
        EXPECT_TRUE(PathExists(sandbox.CommandLineExe()));
        EXPECT_TRUE(PathExists(sandbox.ConverterExe()));
        EXPECT_TRUE(IsFolder(sandbox.TempFolder()));
        WriteFileBytes(sandbox.Root() + "\\left.txt", "x");
    }
    EXPECT_FALSE(PathExists(root));
    Sandbox bare(Converter::Missing);
    EXPECT_FALSE(PathExists(bare.ConverterExe()));
}

TEST(StandInLogTest, RecordsComeBackByteForByte)
{
    Sandbox sandbox;
    StandIn::RunRecord record;
    record.role = "converter";
    record.commandLine = "C:\\a b\\PDFCreator.exe";
    record.startupFlags = STARTF_USESHOWWINDOW;
    record.showWindow = SW_HIDE;
    record.signalPath = "C:\\t\\CommandLine.txt";
    record.signalState = "bytes";
    record.signalBytes = std::string("out\\x.pdf\r\n\0\xff", 13);
    StandIn::RunRecord shown;
    shown.role = "print";
    shown.showWindow = SW_SHOWNORMAL;
    shown.signalState = "absent";
    WriteFileBytes(sandbox.LogFile(), StandIn::FormatRecord(record) + StandIn::FormatRecord(shown));
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].commandLine, record.commandLine);
    EXPECT_EQ(runs[0].startupFlags, record.startupFlags);
    EXPECT_EQ(runs[0].showWindow, record.showWindow);
    EXPECT_TRUE(runs[0].SignalHolds(record.signalBytes));
    EXPECT_TRUE(runs[1].SignalAbsent());
    EXPECT_EQ(runs[1].showWindow, SW_SHOWNORMAL);
    EXPECT_EQ(StandIn::Roles(runs), "converter,print");
}

} // namespace
} // namespace TestSupport
