// The start-up stage, seen from outside: which folders a run makes, which
// signal file it finds and what it does about one left behind.
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

class StartUpTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // A file planted in the maker folder's place must not spoil later runs.
        if (PathExists(makerFolder) && !IsFolder(makerFolder)) {
            RemoveTree(makerFolder);
        }
    }

    Sandbox sandbox;
    std::string makerFolder = CommonAppDataFolder() + "\\Marrowgate";
    std::string appFolder = makerFolder + "\\Ardenfold Converter";
};

TEST_F(StartUpTest, MissingDataFoldersAreMadeBeforeTheHelpPrompt)
{
    ASSERT_TRUE(RemoveTree(makerFolder));
    RunResult result = RunCommandLine(sandbox, "", Answering({IDNO}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, "Help");
    EXPECT_EQ(result.exitCode, HelpShown);
    EXPECT_TRUE(IsFolder(appFolder));
    EXPECT_TRUE(IsFolder(sandbox.WorkFolder()));
}

TEST_F(StartUpTest, AnExistingMakerFolderGetsOnlyTheApplicationFolder)
{
    ASSERT_TRUE(RemoveTree(makerFolder));
    MakeFolders(makerFolder);
    WriteFileBytes(makerFolder + "\\keep.txt", "kept");
    RunResult result = RunCommandLine(sandbox, "", Answering({IDNO}));
    EXPECT_EQ(result.exitCode, HelpShown);
    EXPECT_TRUE(IsFolder(appFolder));
    EXPECT_EQ(ReadFileBytes(makerFolder + "\\keep.txt"), "kept");
}

TEST_F(StartUpTest, PresentFoldersAreUsedAsTheyAre)
{
    MakeFolders(appFolder);
    WriteFileBytes(appFolder + "\\keep.txt", "kept");
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.WorkFolder() + "\\keep.txt", "kept too");
    RunResult result = RunCommandLine(sandbox, "", Answering({IDNO}));
    EXPECT_EQ(result.exitCode, HelpShown);
    EXPECT_EQ(ReadFileBytes(appFolder + "\\keep.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(sandbox.WorkFolder() + "\\keep.txt"), "kept too");
}

TEST_F(StartUpTest, AFreeStaleSignalFileIsDeletedSilentlyAndTheRunGoesOn)
{
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.SignalFile(), "left by an earlier run\r\n");
    RunResult result = RunCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {out.pdf}", Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_FALSE(runs.empty());
    // Gone before the first clear-cache run, that is at start-up.
    EXPECT_EQ(runs[0].role, "clear-cache");
    EXPECT_TRUE(runs[0].SignalAbsent()) << runs[0].signalState << " " << runs[0].signalBytes;
}

TEST_F(StartUpTest, AHeldStaleSignalFileEndsTheRunWithTheMissingFilesMessage)
{
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.SignalFile(), "held");
    RunResult result;
    {
        HeldFile held(sandbox.SignalFile());
        result = RunCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {out.pdf}", Answering({IDOK}, ConverterSide()));
    }
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    ExpectBox(result.boxes[0], AppTitle, MissingFilesText, {IDOK});
    EXPECT_EQ(result.exitCode, SignalFileUnusable);
    EXPECT_EQ(ReadFileBytes(sandbox.SignalFile()), "held");
    // The run ended before the command line was looked at: nothing ran.
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "");
}

TEST_F(StartUpTest, AFileInPlaceOfTheMakerFolderEndsInTheTrap)
{
    ASSERT_TRUE(RemoveTree(makerFolder));
    WriteFileBytes(makerFolder, "not a folder");
    RunResult result = RunCommandLine(sandbox, "", Answering({IDOK}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, AppTitle);
    EXPECT_TRUE(Contains(result.boxes[0].text, makerFolder)) << result.boxes[0].Describe();
    EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(result.exitCode, UnexpectedError);
    // Nothing after the failing step ran.
    EXPECT_FALSE(PathExists(sandbox.WorkFolder()));
}

TEST_F(StartUpTest, AFileInPlaceOfTheWorkFolderEndsInTheTrap)
{
    WriteFileBytes(sandbox.WorkFolder(), "not a folder");
    RunResult result = RunCommandLine(sandbox, "", Answering({IDOK}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, AppTitle);
    EXPECT_TRUE(Contains(result.boxes[0].text, sandbox.WorkFolder())) << result.boxes[0].Describe();
    EXPECT_EQ(result.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(result.exitCode, UnexpectedError);
}

TEST_F(StartUpTest, ACommandLineOfSpacesGetsTheHelpPrompt)
{
    RunResult result = RunCommandLine(sandbox, "     ", Answering({IDNO}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, "Help");
    EXPECT_EQ(result.exitCode, HelpShown);
}

TEST_F(StartUpTest, ATabIsNotTrimmedSoATabAloneIsNoEmptyCommandLine)
{
    RunResult result = RunCommandLine(sandbox, " \t ", Answering({IDOK}));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    EXPECT_EQ(result.boxes[0].title, AppTitle);
    EXPECT_TRUE(Contains(result.boxes[0].text, ExpectedForm)) << result.boxes[0].Describe();
    EXPECT_EQ(result.exitCode, InvalidCommandLine);
}

TEST_F(StartUpTest, TabsAtTheEndsStayOutsideTheGroups)
{
    std::string print = PrintCommand(sandbox, "tabbed");
    RunResult result = RunCommandLine(sandbox, "\t{" + print + "}{out.pdf}\t", Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_EQ(runs[1].commandLine, print);
}

} // namespace
} // namespace EndToEnd
