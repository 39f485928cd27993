// The command line, seen from outside: the help prompt and what its answers
// do, the two validation messages and what follows each, the trap's box for
// a command line without two groups, and the exit code of each road.
#include "EndToEnd.h"
#include "ProcessStart.h"
#include "RegistryDefault.h"

#include <algorithm>

namespace EndToEnd {
namespace {

// Where the shell looks up the program for http addresses (HKCR in the prefix).
const std::string HttpCommandKey = "Software\\Classes\\http\\shell\\open\\command";

class CommandLineTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

TEST_F(CommandLineTest, TheHelpPromptAnsweredNoEndsTheRunWithoutASignalFile)
{
    RunResult result = RunCommandLine(sandbox, "", Answering({IDNO}, ConverterSide()));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    ExpectBox(result.boxes[0], "Help", HelpText, {IDYES, IDNO});
    EXPECT_EQ(result.exitCode, HelpShown);
    EXPECT_TRUE(IsFolder(sandbox.WorkFolder()));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "");
}

TEST_F(CommandLineTest, TheHelpPromptAnsweredYesOpensTheHelpAddress)
{
    // The browser for http is the stand-in for this test: it records the
    // command line the shell starts it with.
    RegistryDefault browser(HKEY_LOCAL_MACHINE, HttpCommandKey, "\"" + sandbox.StandInExe() + "\" \"%1\"");
    RunResult result = RunCommandLine(sandbox, "", Answering({IDYES}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, "Help");
    EXPECT_EQ(result.exitCode, HelpShown);
    std::optional<StandIn::RunRecord> opened = WaitForRunWith(sandbox, "ardenfold");
    ASSERT_TRUE(opened.has_value()) << "no browser was started";
    EXPECT_EQ(opened->commandLine, "\"" + sandbox.StandInExe() + "\" \"" + HelpAddress + "\"");
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// With no program for http addresses the shell answers "no association",
// and the Open With dialog is started as RUNDLL32.EXE from the system folder.
// That is the system's own program, so instead of planting a recorder the
// test catches it while it runs (it is in the child's job) and reads how it
// was started from its own process parameters.
TEST_F(CommandLineTest, WithoutABrowserTheOpenWithDialogIsStartedForTheAddress)
{
    RegistryDefault noBrowser(HKEY_LOCAL_MACHINE, HttpCommandKey, std::nullopt);
    ChildProcess child("\"" + sandbox.CommandLineExe() + "\"", SandboxEnvironment(sandbox), sandbox.Root());
    std::optional<SeenBox> prompt = WaitForMessageBox(child, 30000);
    ASSERT_TRUE(prompt.has_value());
    ASSERT_EQ(prompt->title, "Help");
    PressButton(*prompt, IDYES);

    std::vector<DWORD> seen = {child.Id()};
    std::vector<ProcessStart> started;
    DWORD begin = ::GetTickCount();
    while (::GetTickCount() - begin < 20000 && (started.empty() || !child.HasExited())) {
        for (DWORD id : child.ProcessesInJob()) {
            if (std::find(seen.begin(), seen.end(), id) == seen.end()) {
                seen.push_back(id);
                if (std::optional<ProcessStart> start = ReadProcessStart(id)) {
                    started.push_back(*start);
                }
            }
        }
        std::optional<SeenBox> box = FindMessageBox(child.Id());
        if (box && box->window != prompt->window) {
            ADD_FAILURE() << "nothing is reported to the user: " << box->Describe();
            PressButton(*box, IDOK);
        }
        ::Sleep(1);
    }
    std::optional<DWORD> code = child.WaitForExit(30000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, HelpShown);

    ASSERT_EQ(started.size(), 1u) << "one launch: the Open With dialog";
    std::string system(MAX_PATH, '\0');
    system.resize(::GetSystemDirectoryA(system.data(), MAX_PATH));
    // The shell finds RUNDLL32.EXE in the folder it was given and quotes its path.
    EXPECT_EQ(started[0].commandLine,
              "\"" + system + "\\RUNDLL32.EXE\" shell32.dll,OpenAs_RunDLL " + HelpAddress);
    EXPECT_EQ(started[0].currentFolder, system + "\\");
}

TEST_F(CommandLineTest, AnEmptyPrintCommandIsReportedAndNothingRuns)
{
    for (const std::string& line : {std::string("{} {out.pdf}"), std::string("{}{}")}) {
        SCOPED_TRACE(line);
        Sandbox fresh;
        RunResult result = RunCommandLine(fresh, line, Answering({IDOK}, ConverterSide()));
        ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
        ExpectBox(result.boxes[0], AppTitle, InvalidPrintCommandText, {IDOK});
        EXPECT_EQ(result.exitCode, InvalidCommandLine);
        EXPECT_EQ(StandIn::Roles(Runs(fresh)), "");
        EXPECT_FALSE(PathExists(fresh.SignalFile()));
    }
}

TEST_F(CommandLineTest, AnEmptyOutputPathIsReportedAndTheConversionGoesOnWithALoneLineEnd)
{
    RunResult result = RunCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {}", Answering({IDOK}, ConverterSide()));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    ExpectBox(result.boxes[0], AppTitle, InvalidOutputPathText, {IDOK});
    EXPECT_EQ(result.exitCode, InvalidCommandLine);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_TRUE(runs[2].SignalHolds("\r\n")) << runs[2].signalState << " " << runs[2].signalBytes;
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST_F(CommandLineTest, WithoutTwoCompleteGroupsTheTrapShowsTheExpectedForm)
{
    const std::vector<std::string> lines = {
        "{print.exe doc.txt}",      // one group only
        "print.exe doc.txt out.pdf", // no braces at all
        "{print.exe doc.txt} {out", // the output group is not closed
        "}{",                       // braces the wrong way round
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        Sandbox fresh;
        RunResult result = RunCommandLine(fresh, lines[i], Answering({IDOK}, ConverterSide()));
        ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
        EXPECT_EQ(result.boxes[0].title, AppTitle);
        EXPECT_TRUE(Contains(result.boxes[0].text, ExpectedForm)) << result.boxes[0].Describe();
        EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
        EXPECT_EQ(result.exitCode, InvalidCommandLine);
        EXPECT_EQ(StandIn::Roles(Runs(fresh)), "");
    }
}

TEST_F(CommandLineTest, TextAroundTheGroupsIsIgnoredAndThePartsArriveUnchanged)
{
    std::string print = PrintCommand(sandbox, "\"a b\" c\\d {e");
    std::string output = sandbox.Root() + "\\out {1}.pdf";
    // A "}" cannot be part of a group, so the output path ends at "{1"; the
    // document is written there.
    RunResult result = RunCommandLine(sandbox, "before {" + print + "}   between {" + output + "} after",
                                      Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_EQ(runs[1].commandLine, print);
    std::string handedOver = sandbox.Root() + "\\out {1";
    EXPECT_TRUE(runs[2].SignalHolds(handedOver + "\r\n")) << runs[2].signalBytes;
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_TRUE(PathExists(handedOver));
}

} // namespace
} // namespace EndToEnd
