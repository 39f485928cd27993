// The fault matrix: the real CommandLine.exe meets, at each step of a
// conversion, a signal file that is absent, present and free, held by
// another process or a folder; children that crash, hang for a while or end
// with 259; a missing converter; folders that cannot be made. Each case
// pins what the user sees, the exit code and what is left at the signal
// file's place. The README's "Fault matrix" lists the same cases.
#include "EndToEnd.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"
#include "LaterRuns.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace TestSupport;
using namespace Reliability;
using EndToEnd::MissingFilesText;

namespace {

// The converter side as the tests play it: the print run takes the job and
// with it the marker, the converter run writes the document.
const Environment Cooperating = EndToEnd::ConverterSide();

// The real converter side takes away an empty marker file only: a folder in
// its place stays.
const Environment KeepsWhatIsNotAMarker = {
    {"STANDIN_CONVERTER_WRITE_OUTPUT", "1"},
};

std::string OutputPath(const Sandbox &sandbox)
{
    return sandbox.Root() + "\\out.pdf";
}

std::string Conversion(const Sandbox &sandbox)
{
    return "{\"" + sandbox.StandInExe() + "\" print} {" + OutputPath(sandbox) + "}";
}

enum class Left { Nothing, HeldFile, Folder };

struct Expected {
    std::vector<std::string> boxes; // how each box's text begins, in order; each is answered OK
    DWORD exitCode;
    Left left;
    bool document;
};

std::vector<int> OkPerBox(const Expected &expected)
{
    return std::vector<int>(expected.boxes.size(), IDOK);
}

void ExpectOutcome(const RunResult &result, const Expected &expected, const std::string &signalFile,
                   const std::string &outputPath)
{
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, expected.exitCode) << result.DescribeBoxes();
    ASSERT_EQ(result.boxes.size(), expected.boxes.size()) << result.DescribeBoxes();
    for (size_t i = 0; i < expected.boxes.size(); ++i) {
        EXPECT_EQ(result.boxes[i].text.rfind(expected.boxes[i], 0), 0u)
            << "box " << i << ": " << result.boxes[i].Describe()
            << "\nexpected it to begin with: " << expected.boxes[i];
    }
    switch (expected.left) {
    case Left::Nothing:
        EXPECT_FALSE(PathExists(signalFile)) << "the signal file was left behind";
        break;
    case Left::HeldFile:
        EXPECT_TRUE(PathExists(signalFile) && !IsFolder(signalFile)) << "the held signal file was taken away";
        break;
    case Left::Folder:
        EXPECT_TRUE(IsFolder(signalFile)) << "the folder in the signal file's place was taken away";
        break;
    }
    EXPECT_EQ(PathExists(outputPath), expected.document);
}

// Runs one conversion from the sandbox and checks it against the row.
void ExpectConversion(const Sandbox &sandbox, const Environment &scenario, const Expected &expected)
{
    auto run = StartCommandLine(sandbox, Conversion(sandbox), scenario);
    ExpectOutcome(Finish(*run, OkPerBox(expected)), expected, sandbox.SignalFile(), OutputPath(sandbox));
}

// A file where the program must make a folder of the shared data folder.
// Whatever was at that place is moved aside and put back, also after a
// test run killed half-way (its leftovers are found by their fixed names).
class FileInPlaceOfFolder {
public:
    explicit FileInPlaceOfFolder(std::string path) : path_(std::move(path)), aside_(path_ + ".reliability-aside")
    {
        Restore();
        if (PathExists(path_) && !::MoveFileA(path_.c_str(), aside_.c_str())) {
            throw std::runtime_error("cannot move " + path_ + " aside");
        }
        WriteFileBytes(path_, Token);
    }
    ~FileInPlaceOfFolder() { Restore(); }
    FileInPlaceOfFolder(const FileInPlaceOfFolder &) = delete;
    FileInPlaceOfFolder &operator=(const FileInPlaceOfFolder &) = delete;

private:
    static constexpr const char *Token = "a file where a folder should be (reliability test)";

    void Restore()
    {
        if (PathExists(path_) && !IsFolder(path_) && ReadFileBytes(path_) == Token) {
            ::DeleteFileA(path_.c_str());
        }
        if (PathExists(aside_) && !PathExists(path_)) {
            ::MoveFileA(aside_.c_str(), path_.c_str());
        }
    }

    std::string path_;
    std::string aside_;
};

std::string FolderNotMade(const std::string &path)
{
    return "The folder \"" + path + "\" could not be made: ";
}

std::string SignalFileNotDeleted(const Sandbox &sandbox)
{
    return "The signal file \"" + sandbox.SignalFile() + "\" could not be deleted: ";
}

// --- Start-up: the signal file as a run finds it ---------------------------

TEST(FaultMatrixTest, StartUp_SignalFileAbsent)
{
    Sandbox sandbox;
    ExpectConversion(sandbox, Cooperating, {{}, 0, Left::Nothing, true});
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_TRUE(runs[1].SignalHolds(""));
    EXPECT_TRUE(runs[2].SignalHolds(OutputPath(sandbox) + "\r\n"));
}

TEST(FaultMatrixTest, StartUp_StaleSignalFileFree)
{
    Sandbox sandbox;
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.SignalFile(), "Z:\\an\\earlier\\run.pdf\r\n");
    ExpectConversion(sandbox, Cooperating, {{}, 0, Left::Nothing, true});
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_TRUE(runs[0].SignalAbsent()) << "the stale file outlived the start-up";
    EXPECT_TRUE(runs[2].SignalHolds(OutputPath(sandbox) + "\r\n"));
}

TEST(FaultMatrixTest, StartUp_SignalFileHeldByAnotherProcess)
{
    // A handle of this test is another process's handle to the program.
    Sandbox sandbox;
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.SignalFile(), "someone else's\r\n");
    {
        HeldFile holder(sandbox.SignalFile());
        ExpectConversion(sandbox, Cooperating, {{MissingFilesText}, 3, Left::HeldFile, false});
        EXPECT_TRUE(StandIn::ReadLog(sandbox.LogFile()).empty()) << "the run went on past the start-up";
        EXPECT_EQ(ReadFileBytes(sandbox.SignalFile()), "someone else's\r\n");
    }
    // Once let go, the next run deals with it as a stale file.
    ExpectConversion(sandbox, Cooperating, {{}, 0, Left::Nothing, true});
}

TEST(FaultMatrixTest, StartUp_FolderInTheSignalFilesPlace)
{
    // The marker cannot be made; with no marker the print run's job is not
    // waited for; the program will not delete a folder that is not its file.
    Sandbox sandbox;
    MakeFolders(sandbox.SignalFile());
    ExpectConversion(sandbox, KeepsWhatIsNotAMarker,
                     {{MissingFilesText, SignalFileNotDeleted(sandbox)}, 3, Left::Folder, false});
    EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "clear-cache,print,clear-cache");
}

TEST(FaultMatrixTest, StartUp_DataFolderCannotBeMade)
{
    struct Case {
        const char *situation;
        std::string blocked;
    } cases[] = {
        {"maker's folder", CommonAppDataFolder() + "\\Marrowgate"},
        {"application's folder", CommonAppDataFolder() + "\\Marrowgate\\Ardenfold Converter"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        Sandbox sandbox;
        std::string parent = c.blocked.substr(0, c.blocked.rfind('\\'));
        if (!IsFolder(parent)) {
            MakeFolders(parent);
        }
        FileInPlaceOfFolder block(c.blocked);
        ExpectConversion(sandbox, Cooperating, {{FolderNotMade(c.blocked)}, 5, Left::Nothing, false});
        EXPECT_TRUE(StandIn::ReadLog(sandbox.LogFile()).empty()) << "the run went on past the start-up";
    }
}

TEST(FaultMatrixTest, StartUp_WorkingFolderCannotBeMade)
{
    Sandbox sandbox;
    WriteFileBytes(sandbox.WorkFolder(), "a file named like the working folder");
    ExpectConversion(sandbox, Cooperating, {{FolderNotMade(sandbox.WorkFolder())}, 5, Left::Nothing, false});
    EXPECT_TRUE(StandIn::ReadLog(sandbox.LogFile()).empty());
    EXPECT_EQ(ReadFileBytes(sandbox.WorkFolder()), "a file named like the working folder");
}

TEST(FaultMatrixTest, StartUp_TemporaryFolderMissing)
{
    // No long form of a missing folder: the working folder is made under the
    // current folder instead, and the conversion goes on there.
    Sandbox sandbox;
    std::string workFolder = sandbox.Root() + "\\PDFCreator";
    auto run = StartCommandLine(sandbox, Conversion(sandbox),
                                EndToEnd::ConverterSide({{"TMP", sandbox.Root() + "\\no such folder"},
                                                         {"TEMP", sandbox.Root() + "\\no such folder"}}));
    ExpectOutcome(Finish(*run, {}), {{}, 0, Left::Nothing, true}, workFolder + "\\CommandLine.txt",
                  OutputPath(sandbox));
    EXPECT_TRUE(IsFolder(workFolder));
    EXPECT_FALSE(PathExists(sandbox.WorkFolder()));
}

TEST(FaultMatrixTest, ConverterMissing)
{
    // The three runs of PDFCreator.exe cannot start; the print run still
    // takes the marker, but nothing writes the document.
    Sandbox sandbox(Converter::Missing);
    ExpectConversion(sandbox, Cooperating, {{}, 6, Left::Nothing, false});
    EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "print");
}

// --- Children that crash, hang for a while or end with 259 ------------------

TEST(FaultMatrixTest, ChildrenThatCrashHangOrEndWith259)
{
    // The print run ends so after taking the job, the converter run after
    // writing the document: their exit codes, whatever they are, change
    // nothing.
    struct Role {
        const char *name;
        const char *prefix;
    } roles[] = {
        {"first clear-cache run", "STANDIN_CLEARCACHE1_"},
        {"print run", "STANDIN_PRINT_"},
        {"converter run", "STANDIN_CONVERTER_"},
        {"second clear-cache run", "STANDIN_CLEARCACHE2_"},
    };
    struct Ending {
        const char *name;
        const char *action;
        const char *value;
    } endings[] = {
        {"crashes (0xC0000005)", "EXIT_CODE", "0xC0000005"},
        {"hangs for 2 s, then ends", "SLEEP_MS", "2000"},
        {"ends with 259 (STILL_ACTIVE)", "EXIT_CODE", "259"},
    };
    for (const Role &role : roles) {
        for (const Ending &ending : endings) {
            SCOPED_TRACE(std::string(role.name) + " " + ending.name);
            Sandbox sandbox;
            ExpectConversion(sandbox,
                             EndToEnd::ConverterSide({{std::string(role.prefix) + ending.action, ending.value}}),
                             {{}, 0, Left::Nothing, true});
            EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "clear-cache,print,converter,clear-cache");
        }
    }
}

TEST(FaultMatrixTest, Step3_PrintCommandCannotStart)
{
    Sandbox sandbox;
    auto run = StartCommandLine(
        sandbox, "{\"" + sandbox.Root() + "\\no such printer.exe\" doc.txt} {" + OutputPath(sandbox) + "}",
        Cooperating);
    ExpectOutcome(Finish(*run, {}, 20000), {{}, 4, Left::Nothing, false}, sandbox.SignalFile(), OutputPath(sandbox));
    // The converter is not run for a job that never came.
    EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "clear-cache,clear-cache");
}

// --- Step 2: the signal file as the first clear-cache run leaves it ---------

TEST(FaultMatrixTest, Step2_SignalFilePresentAndFree)
{
    Sandbox sandbox;
    ExpectConversion(sandbox, EndToEnd::ConverterSide({{"STANDIN_CLEARCACHE1_WRITE_SIGNAL", "left by the converter"}}),
                     {{}, 0, Left::Nothing, true});
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_TRUE(runs[1].SignalHolds("")) << "the print run found " << runs[1].signalBytes;
}

TEST(FaultMatrixTest, Step2_SignalFileHeldByAnotherProcess)
{
    // Left alone without a box; the print run takes it once it is let go.
    Sandbox sandbox;
    ExpectConversion(sandbox, EndToEnd::ConverterSide({{"STANDIN_CLEARCACHE1_HOLD_MS", "1500"}}),
                     {{}, 0, Left::Nothing, true});
    EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "clear-cache,print,converter,clear-cache");
}

TEST(FaultMatrixTest, Step2_FolderInTheSignalFilesPlace)
{
    Sandbox sandbox;
    auto run = StartCommandLine(sandbox, Conversion(sandbox),
                                {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}, {"STANDIN_CLEARCACHE1_SLEEP_MS", "2000"}});
    ASSERT_TRUE(WaitForRecords(sandbox, "clear-cache", 1, 20000));
    MakeFolders(sandbox.SignalFile());
    ExpectOutcome(Finish(*run, {IDOK, IDOK}),
                  {{MissingFilesText, SignalFileNotDeleted(sandbox)}, 3, Left::Folder, false}, sandbox.SignalFile(),
                  OutputPath(sandbox));
}

// --- Step 4: the wait for the marker to go ----------------------------------

TEST(FaultMatrixTest, Step4_FolderInTheMarkersPlace)
{
    // A folder is not the marker coming back: the wait ends at once.
    Sandbox sandbox;
    auto run =
        StartCommandLine(sandbox, Conversion(sandbox), EndToEnd::ConverterSide({{"STANDIN_PRINT_SLEEP_MS", "2000"}}));
    ASSERT_TRUE(WaitForRecords(sandbox, "print", 1, 20000));
    ASSERT_TRUE(WaitUntilAbsent(sandbox.SignalFile(), 10000));
    MakeFolders(sandbox.SignalFile());
    ExpectOutcome(Finish(*run, {IDOK}), {{SignalFileNotDeleted(sandbox)}, 4, Left::Folder, false}, sandbox.SignalFile(),
                  OutputPath(sandbox));
}

// --- Steps 5 and 6: the marker again and the hand-over ----------------------

TEST(FaultMatrixTest, Step6_HandOverCannotBeWritten)
{
    // The working folder goes away while the print run still runs: neither
    // the marker nor the hand-over can be written, and the converter is not
    // run without its output path.
    Sandbox sandbox;
    auto run =
        StartCommandLine(sandbox, Conversion(sandbox), EndToEnd::ConverterSide({{"STANDIN_PRINT_SLEEP_MS", "2000"}}));
    ASSERT_TRUE(WaitForRecords(sandbox, "print", 1, 20000));
    ASSERT_TRUE(WaitUntilAbsent(sandbox.SignalFile(), 10000));
    ASSERT_TRUE(::RemoveDirectoryA(sandbox.WorkFolder().c_str())) << ::GetLastError();
    ExpectOutcome(Finish(*run, {IDOK, IDOK}),
                  {{MissingFilesText, "The signal file \"" + sandbox.SignalFile() + "\" could not be opened"},
                   3,
                   Left::Nothing,
                   false},
                  sandbox.SignalFile(), OutputPath(sandbox));
    EXPECT_EQ(StandIn::Roles(StandIn::ReadLog(sandbox.LogFile())), "clear-cache,print");
}

// --- Steps 8 and 10: removal after the converter run and at the end ---------

TEST(FaultMatrixTest, Step8_HeldByAnotherProcessThenFreeBeforeTheEnd)
{
    Sandbox sandbox;
    ExpectConversion(
        sandbox,
        EndToEnd::ConverterSide({{"STANDIN_CONVERTER_HOLD_MS", "1500"}, {"STANDIN_CLEARCACHE2_SLEEP_MS", "3000"}}),
        {{}, 0, Left::Nothing, true});
}

TEST(FaultMatrixTest, Step8_FolderInTheHandOversPlace)
{
    Sandbox sandbox;
    auto run = StartCommandLine(sandbox, Conversion(sandbox),
                                EndToEnd::ConverterSide({{"STANDIN_CONVERTER_SLEEP_MS", "2000"}}));
    ASSERT_TRUE(WaitForRecords(sandbox, "converter", 1, 20000));
    ASSERT_TRUE(::DeleteFileA(sandbox.SignalFile().c_str())) << ::GetLastError();
    MakeFolders(sandbox.SignalFile());
    ExpectOutcome(Finish(*run, {IDOK}), {{SignalFileNotDeleted(sandbox)}, 5, Left::Folder, true}, sandbox.SignalFile(),
                  OutputPath(sandbox));
}

TEST(FaultMatrixTest, Step10_HeldByAnotherProcessToTheEnd)
{
    // Left in place without a box; the next run clears it as stale.
    Sandbox sandbox;
    ExpectConversion(sandbox, EndToEnd::ConverterSide({{"STANDIN_CONVERTER_HOLD_MS", "6000"}}),
                     {{}, 0, Left::HeldFile, true});
    ASSERT_TRUE(WaitUntilFree(sandbox.SignalFile(), 20000));
    RemoveTree(OutputPath(sandbox));
    ExpectConversion(sandbox, Cooperating, {{}, 0, Left::Nothing, true});
}

TEST(FaultMatrixTest, Step10_PresentAndFreeAfterTheSecondClearCacheRun)
{
    Sandbox sandbox;
    ExpectConversion(sandbox, EndToEnd::ConverterSide({{"STANDIN_CLEARCACHE2_WRITE_SIGNAL", "left by the converter"}}),
                     {{}, 0, Left::Nothing, true});
}

TEST(FaultMatrixTest, Step10_HeldBySecondClearCacheRun)
{
    Sandbox sandbox;
    ExpectConversion(sandbox, EndToEnd::ConverterSide({{"STANDIN_CLEARCACHE2_HOLD_MS", "4000"}}),
                     {{}, 0, Left::HeldFile, true});
    EXPECT_TRUE(WaitUntilFree(sandbox.SignalFile(), 20000));
}

} // namespace
