// The harness must itself be trustworthy: a stuck child must die, a record
// must come back byte for byte.
#include "ChildProcess.h"
#include "CommandLineRun.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"

#include <gtest/gtest.h>

namespace TestSupport {
namespace {

std::string PrintRun(const Sandbox& sandbox)
{
    return "\"" + sandbox.StandInExe() + "\" print me";
}

TEST(ChildProcessTest, ExitCodeAndTheLastOfEachVariableReachTheTest)
{
    Sandbox sandbox;
    // As CommandLine.exe's start-up leaves it: the stand-in, like the
    // converter side, makes nothing.
    MakeFolders(sandbox.WorkFolder());
    ChildProcess child(PrintRun(sandbox),
                       SandboxEnvironment(sandbox, {{"STANDIN_PRINT_EXIT_CODE", "7"},
                                                    {"standin_print_exit_code", "0xC0000005"}}),
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
        EXPECT_EQ(child.ProcessesInJob().size(), 2u) << "the child and its holder";
    }
    Global::KernelHandle gone(::OpenProcess(SYNCHRONIZE, FALSE, id));
    EXPECT_TRUE(!gone || ::WaitForSingleObject(gone.Get(), 0) == WAIT_OBJECT_0);
    // The holder it had started died with it: the file is free.
    EXPECT_FALSE(IsHeld(signal));
    EXPECT_TRUE(RemoveTree(signal));
}

TEST(StandInLogTest, RecordsComeBackByteForByte)
{
    Sandbox sandbox;
    StandIn::RunRecord record{"converter", "C:\\a b\\PDFCreator.exe", STARTF_USESHOWWINDOW, SW_HIDE,
                              "C:\\t\\CommandLine.txt", "bytes", std::string("out\\x.pdf\r\n\0\xff", 13)};
    StandIn::RunRecord next;
    next.role = "print";
    WriteFileBytes(sandbox.LogFile(), StandIn::FormatRecord(record) + StandIn::FormatRecord(next));
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(StandIn::Roles(runs), "converter,print");
    EXPECT_EQ(runs[0].commandLine, record.commandLine);
    EXPECT_EQ(runs[0].startupFlags, record.startupFlags);
    EXPECT_EQ(runs[0].showWindow, record.showWindow);
    EXPECT_EQ(runs[0].signalPath, record.signalPath);
    EXPECT_TRUE(runs[0].SignalHolds(record.signalBytes));
    EXPECT_EQ(runs[1].signalPath, "") << "a field ran over into the next record";
}

} // namespace
} // namespace TestSupport
