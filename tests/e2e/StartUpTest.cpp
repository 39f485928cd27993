// The start-up stage, seen from outside: which folders a run makes and what
// it makes of the blanks around its command line. What it does about a
// signal file or a folder it cannot make is in the fault matrix.
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

TEST(StartUpTest, FoldersAreMadeWhereMissingAndLeftAloneWherePresent)
{
    Sandbox sandbox;
    const std::string makerFolder = CommonAppDataFolder() + "\\Marrowgate";
    const std::string appFolder = makerFolder + "\\Ardenfold Converter";
    ASSERT_TRUE(RemoveTree(makerFolder));
    // Round 0: nothing there; 1: the maker's folder alone; 2: everything,
    // with files of others in it (the working folder "PDFCreator" too).
    for (int round = 0; round < 3; ++round) {
        if (round == 1) {
            ASSERT_TRUE(RemoveTree(appFolder));
            WriteFileBytes(makerFolder + "\\keep.txt", "kept");
        } else if (round == 2) {
            WriteFileBytes(appFolder + "\\keep.txt", "kept");
            WriteFileBytes(sandbox.WorkFolder() + "\\keep.txt", "kept");
        }
        RunResult result = RunCommandLine(sandbox, "", {IDNO});
        EXPECT_EQ(result.exitCode, HelpShown) << round;
        EXPECT_TRUE(IsFolder(appFolder)) << round;
        EXPECT_TRUE(IsFolder(sandbox.WorkFolder())) << round;
    }
    for (const std::string& folder : {makerFolder, appFolder, sandbox.WorkFolder()}) {
        EXPECT_EQ(ReadFileBytes(folder + "\\keep.txt"), "kept") << folder;
    }
}

TEST(StartUpTest, OnlySpacesAreTrimmedFromTheCommandLine)
{
    Sandbox sandbox;
    const std::string print = PrintCommand(sandbox, "tabbed");
    struct Case {
        std::string arguments;
        std::vector<int> answers;
        DWORD exitCode;
        std::string boxText; // a part of it; empty: no box
    } cases[] = {
        {"     ", {IDNO}, HelpShown, HelpText},
        {" \t ", {IDOK}, InvalidCommandLine, ExpectedForm}, // a tab is text, and no group
        {"{" + print + "}{out.pdf}\t", {}, Success, ""},    // a tab at the end stays outside the groups
        {"\t{" + print + "}{out.pdf}", {IDOK}, InvalidCommandLine, "\"\t\""}, // a tab at the start is text before "{"
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_TRUE(RemoveTree(sandbox.LogFile()));
        RunResult result = RunCommandLine(sandbox, c.arguments, c.answers, ConverterSide());
        EXPECT_EQ(result.exitCode, c.exitCode) << i;
        if (!c.boxText.empty() && result.boxes.size() == 1) {
            EXPECT_TRUE(Contains(result.boxes[0].text, c.boxText)) << i << ": " << result.boxes[0].Describe();
        }
        std::vector<StandIn::RunRecord> runs = Runs(sandbox);
        if (c.boxText.empty()) {
            ASSERT_EQ(StandIn::Roles(runs), AllFourRuns) << i;
            EXPECT_EQ(runs[1].commandLine, print) << i;
        }
    }
}

} // namespace
} // namespace EndToEnd
