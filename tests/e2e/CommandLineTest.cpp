// The command line, seen from outside: the help prompt and what its answers
// do, the two validation messages and what follows each, the trap's box for
// a command line without two groups or with text between them, and the exit
// code of each road.
#include "EndToEnd.h"
#include "ProcessStart.h"
#include "RegistryDefault.h"

#include <algorithm>

namespace EndToEnd {
namespace {

// Where the shell looks up the program for http addresses (HKCR in the prefix).
const std::string HttpCommandKey = "Software\\Classes\\http\\shell\\open\\command";

TEST(CommandLineTest, TheHelpPromptAnsweredNoEndsTheRunWithoutASignalFile)
{
    Sandbox sandbox;
    RunResult result = RunCommandLine(sandbox, "", {IDNO}, ConverterSide());
    ASSERT_EQ(result.boxes.size(), 1u);
    ExpectBox(result.boxes[0], "Help", HelpText, {IDYES, IDNO});
    EXPECT_EQ(result.exitCode, HelpShown);
    EXPECT_TRUE(IsFolder(sandbox.WorkFolder()));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "");
}

TEST(CommandLineTest, TheHelpPromptAnsweredYesOpensTheHelpAddress)
{
    // The stand-in is the browser for http: it records how the shell started it.
    Sandbox sandbox;
    RegistryDefault browser(HKEY_LOCAL_MACHINE, HttpCommandKey, "\"" + sandbox.StandInExe() + "\" \"%1\"");
    RunResult result = RunCommandLine(sandbox, "", {IDYES});
    EXPECT_EQ(result.exitCode, HelpShown);
    // The program does not wait for its browser.
    ASSERT_TRUE(WaitUntil([&] { return !Runs(sandbox).empty(); }, 20000)) << "no browser was started";
    EXPECT_EQ(Runs(sandbox)[0].commandLine, "\"" + sandbox.StandInExe() + "\" \"" + HelpAddress + "\"");
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// With no program for http addresses the shell answers "no association",
// and the Open With dialog is started as RUNDLL32.EXE from the system folder.
// That is the system's own program, so the test catches it while it runs (it
// is in the child's job) and reads how it was started from its own memory.
TEST(CommandLineTest, WithoutABrowserTheOpenWithDialogIsStartedForTheAddress)
{
    Sandbox sandbox;
    RegistryDefault noBrowser(HKEY_LOCAL_MACHINE, HttpCommandKey, std::nullopt);
    ChildProcess child("\"" + sandbox.CommandLineExe() + "\"", SandboxEnvironment(sandbox), sandbox.Root());
    std::optional<SeenBox> prompt = WaitForMessageBox(child, 30000);
    ASSERT_TRUE(prompt.has_value());
    ASSERT_EQ(prompt->title, "Help");
    PressButton(*prompt, IDYES);

    std::vector<DWORD> seen = {child.Id()};
    std::vector<ProcessStart> started;
    WaitUntil([&] {
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
        return !started.empty() && child.HasExited();
    }, 20000);
    EXPECT_EQ(child.WaitForExit(30000), std::optional<DWORD>(HelpShown));

    ASSERT_EQ(started.size(), 1u) << "one launch: the Open With dialog";
    std::string system(MAX_PATH, '\0');
    system.resize(::GetSystemDirectoryA(system.data(), MAX_PATH));
    // The shell finds RUNDLL32.EXE in the folder it was given and quotes its path.
    EXPECT_EQ(started[0].commandLine, "\"" + system + "\\RUNDLL32.EXE\" shell32.dll,OpenAs_RunDLL " + HelpAddress);
    EXPECT_EQ(started[0].currentFolder, system + "\\");
}

TEST(CommandLineTest, AnEmptyOrMissingGroupIsReportedAndNothingRuns)
{
    // A box that says what is missing, or names what is in the way, and shows the expected form.
    auto refusal = [](const std::string& reason) {
        return reason + " The command line must have the form " + ExpectedForm + ".";
    };
    struct Case {
        std::string line;
        std::string text; // the box's whole text
    } cases[] = {
        {"{} {out.pdf}", InvalidPrintCommandText},
        {"{}{}", InvalidPrintCommandText},
        // one group only; no braces at all; the output group not closed; braces the wrong way round
        {"{print.exe doc.txt}", refusal("The output file is missing or has no closing brace.")},
        {"print.exe doc.txt out.pdf", refusal("The print command is missing or has no closing brace.")},
        {"{print.exe doc.txt} {out", refusal("The output file is missing or has no closing brace.")},
        {"}{", refusal("The command line begins with a closing brace.")},
        // text that would shift the output path
        {"{print.exe doc.txt} junk {out.pdf}",
         refusal("Unexpected text between the print command and the output file: \"junk\".")},
        // text that would shift both parts
        {"before {print.exe doc.txt} {out.pdf}", refusal("Unexpected text before the print command: \"before \".")},
        // a quote that no launcher's quoting explains stays text before the print command
        {"\"{print.exe doc.txt}\" tail {out.pdf}", refusal("Unexpected text before the print command: \"\"\".")},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.line);
        Sandbox sandbox;
        RunResult result = RunCommandLine(sandbox, c.line, {IDOK}, ConverterSide());
        ASSERT_EQ(result.boxes.size(), 1u) << i;
        ExpectBox(result.boxes[0], AppTitle, c.text, {IDOK});
        EXPECT_EQ(result.exitCode, InvalidCommandLine) << i;
        EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "") << i;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
    }
}

// The run goes on after the box with the print command as cut, and no
// document is looked for at "". A "}" inside the print command ends it there
// and leaves nothing for the output path.
TEST(CommandLineTest, AnEmptyOutputPathIsReportedAndTheConversionGoesOnWithALoneLineEnd)
{
    Sandbox sandbox;
    const std::string print = PrintCommand(sandbox);
    struct Case {
        std::string line;
        std::string printed; // the print run's command line
    } cases[] = {
        {"{" + print + "} {}", print},
        {"{" + print + " x}y} {out.pdf}", print + " x"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(RemoveTree(sandbox.LogFile())) << i;
        RunResult result = RunCommandLine(sandbox, cases[i].line, {IDOK}, ConverterSide());
        ASSERT_EQ(result.boxes.size(), 1u) << i;
        ExpectBox(result.boxes[0], AppTitle, InvalidOutputPathText, {IDOK});
        EXPECT_EQ(result.exitCode, InvalidCommandLine) << i;
        std::vector<StandIn::RunRecord> runs = Runs(sandbox);
        ASSERT_EQ(StandIn::Roles(runs), AllFourRuns) << i;
        EXPECT_EQ(runs[1].commandLine, cases[i].printed) << i;
        EXPECT_TRUE(runs[2].SignalHolds("\r\n")) << i << ": " << runs[2].signalState << " " << runs[2].signalBytes;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
    }
}

TEST(CommandLineTest, TextAfterTheGroupsIsIgnoredAndThePartsArriveUnchanged)
{
    Sandbox sandbox;
    std::string print = PrintCommand(sandbox, "\"a b\" c\\d {e");
    // A "}" cannot be part of a group: the output path ends at "{1".
    std::string handedOver = sandbox.Root() + "\\out {1";
    RunResult result =
        RunCommandLine(sandbox, "{" + print + "}   {" + handedOver + "}.pdf} after", {}, ConverterSide());
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), AllFourRuns);
    EXPECT_EQ(runs[1].commandLine, print);
    EXPECT_TRUE(runs[2].SignalHolds(handedOver + "\r\n")) << runs[2].signalBytes;
    EXPECT_TRUE(PathExists(handedOver));
}

// The same two groups as each launcher writes them, the print command
// holding quotes and the output path a space: every line converts as the raw
// one does. <exe> and <out> stand for paths without quotes or a trailing
// backslash, which no launcher changes.
TEST(CommandLineTest, AQuotedCommandLineConvertsAsTheRawOneDoes)
{
    Sandbox sandbox;
    const std::string print = PrintCommand(sandbox, "\"a b\" c");
    const std::string output = sandbox.Root() + "\\out dir\\a.pdf";
    MakeFolders(sandbox.Root() + "\\out dir");
    const struct {
        const char* launcher;
        std::string line;
    } cases[] = {
        {"cmd", R"({"<exe>" "a b" c} {<out>})"},
        {"PowerShell Standard, list2cmdline, ArgumentList, Wine", R"("{\"<exe>\" \"a b\" c} {<out>}")"},
        {"the same, two arguments", R"("{\"<exe>\" \"a b\" c}" "{<out>}")"},
        {"PowerShell Legacy", R"("{"<exe>" "a b" c} {<out>}")"},
        {"PowerShell Legacy, two arguments", R"("{"<exe>" "a b" c}" "{<out>}")"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string line = cases[i].line;
        const std::pair<std::string, std::string> paths[] = {{"<exe>", sandbox.StandInExe()}, {"<out>", output}};
        for (const auto& [name, value] : paths) {
            for (size_t at = line.find(name); at != std::string::npos; at = line.find(name, at + value.size())) {
                line.replace(at, name.size(), value);
            }
        }
        SCOPED_TRACE(testing::Message() << i << " " << cases[i].launcher << ": " << line);
        RemoveTree(output);
        ASSERT_TRUE(RemoveTree(sandbox.LogFile()));
        RunResult result = RunCommandLine(sandbox, line, {}, ConverterSide());
        EXPECT_EQ(result.exitCode, Success);
        EXPECT_TRUE(result.boxes.empty());
        std::vector<StandIn::RunRecord> runs = Runs(sandbox);
        ASSERT_EQ(StandIn::Roles(runs), AllFourRuns);
        EXPECT_EQ(runs[1].commandLine, print);
        EXPECT_TRUE(runs[2].SignalHolds(output + "\r\n")) << runs[2].signalBytes;
        EXPECT_TRUE(PathExists(output));
    }
}

} // namespace
} // namespace EndToEnd
