// The conversion sequence against the stand-in converter: the four hidden
// runs in order, the signal file each of them finds, and the cases in which
// the converter side does something unexpected.
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

// Twelve characters, relative to the run's current folder (the sandbox root):
// its hand-over is 14 bytes.
const std::string OutputName = "abcdefgh.pdf";

std::string Conversion(const std::string& printCommand, const std::string& output = OutputName)
{
    return "{" + printCommand + "} {" + output + "}";
}

void ExpectHidden(const std::vector<StandIn::RunRecord>& runs)
{
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_NE(runs[i].startupFlags & STARTF_USESHOWWINDOW, 0u) << "run " << i << " " << runs[i].role;
        EXPECT_EQ(runs[i].showWindow, SW_HIDE) << "run " << i << " " << runs[i].role;
    }
}

std::string ClearCacheLine(const Sandbox& sandbox)
{
    return "\"" + sandbox.ConverterExe() + "\" /ClearCache /NoStart";
}

bool IsWine()
{
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

class ConversionTest : public ::testing::Test {
protected:
    std::string Output() const { return sandbox.Root() + "\\" + OutputName; }

    Sandbox sandbox;
};

TEST_F(ConversionTest, TheWholeRoadInOrderHiddenWithEachSignalFileState)
{
    // Quotes, arguments, an opening brace and a trailing blank all belong to the print command.
    std::string print = PrintCommand(sandbox, "\"first doc.txt\" /p {x ");
    RunResult result = RunCommandLine(sandbox, Conversion(print), Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);

    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    ExpectHidden(runs);
    EXPECT_EQ(runs[0].commandLine, ClearCacheLine(sandbox));
    EXPECT_EQ(runs[1].commandLine, print);
    EXPECT_EQ(runs[2].commandLine, sandbox.ConverterExe());
    EXPECT_EQ(runs[3].commandLine, ClearCacheLine(sandbox));

    EXPECT_TRUE(runs[0].SignalAbsent());
    EXPECT_TRUE(runs[1].SignalHolds("")) << "the marker is empty";
    EXPECT_TRUE(runs[2].SignalHolds(OutputName + "\r\n")) << runs[2].signalBytes;
    EXPECT_EQ(runs[2].signalBytes.size(), 14u);
    EXPECT_TRUE(runs[3].SignalAbsent());
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    EXPECT_TRUE(PathExists(Output()));
}

TEST_F(ConversionTest, AProgramFolderWithSpacesIsQuotedForClearCacheOnly)
{
    Sandbox spaced(Converter::Placed, "Conv Program Files");
    RunResult result = RunCommandLine(spaced, Conversion(PrintCommand(spaced)), Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(spaced);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_EQ(runs[0].commandLine, "\"" + spaced.ProgramFolder() + "\\PDFCreator.exe\" /ClearCache /NoStart");
    // Wine hands a program that it found by searching an unquoted path with
    // blanks its command line with that path quoted, whatever the caller
    // gave; Windows passes the caller's text on. Either way the converter is
    // found under the spaced folder and gets no arguments.
    std::string converter = spaced.ProgramFolder() + "\\PDFCreator.exe";
    EXPECT_EQ(runs[2].commandLine, IsWine() ? "\"" + converter + "\"" : converter);
    EXPECT_EQ(runs[3].commandLine, runs[0].commandLine);
}

TEST_F(ConversionTest, AFreeStaleSignalFileIsReplacedByAnEmptyMarker)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, ConverterSide({{"STANDIN_CLEARCACHE1_WRITE_SIGNAL", "stale"}})));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_TRUE(runs[1].SignalHolds("")) << runs[1].signalState << " " << runs[1].signalBytes;
}

TEST_F(ConversionTest, ASignalFileHeldBeforeThePrintIsLeftAloneWithoutAMessage)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, ConverterSide({{"STANDIN_CLEARCACHE1_WRITE_SIGNAL", "stale"},
                                                                   {"STANDIN_CLEARCACHE1_HOLD_MS", "2000"}})));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    // The print run still took place, and found the held file untouched.
    EXPECT_TRUE(runs[1].SignalHolds("stale")) << runs[1].signalState << " " << runs[1].signalBytes;
}

TEST_F(ConversionTest, ASignalFileHeldAtTheEndIsLeftInPlace)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, ConverterSide({{"STANDIN_CONVERTER_HOLD_MS", "4000"}})));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "clear-cache,print,converter,clear-cache");
    ASSERT_TRUE(PathExists(sandbox.SignalFile()));
    EXPECT_EQ(ReadFileBytes(sandbox.SignalFile()), OutputName + "\r\n");
    EXPECT_TRUE(WaitUntilFree(sandbox.SignalFile(), 20000));
}

TEST_F(ConversionTest, AMarkerThatCannotBeMadeIsReportedAndThePrintStillRuns)
{
    // A folder where the marker should go: no file can be created there.
    MakeFolders(sandbox.SignalFile());
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)), Answering({IDOK}, ConverterSide()));
    ASSERT_EQ(result.boxes.size(), 1u) << result.DescribeBoxes();
    ExpectBox(result.boxes[0], AppTitle, MissingFilesText, {IDOK});
    EXPECT_EQ(result.exitCode, SignalFileUnusable);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
    EXPECT_EQ(runs[1].signalState, "folder");
}

TEST_F(ConversionTest, ExitCodesOfTheRunsChangeNothing)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, ConverterSide({{"STANDIN_CLEARCACHE1_EXIT_CODE", "1"},
                                                                   {"STANDIN_PRINT_EXIT_CODE", "0xC0000005"},
                                                                   {"STANDIN_CONVERTER_EXIT_CODE", "0x80000000"},
                                                                   {"STANDIN_CLEARCACHE2_EXIT_CODE", "0xFFFFFFFF"}})));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "clear-cache,print,converter,clear-cache");
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST_F(ConversionTest, ExitCode259IsAnEndNotStillRunning)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, ConverterSide({{"STANDIN_CLEARCACHE_EXIT_CODE", "259"},
                                                                   {"STANDIN_PRINT_EXIT_CODE", "259"},
                                                                   {"STANDIN_CONVERTER_EXIT_CODE", "259"}})));
    ASSERT_TRUE(result.exited) << "the run hung on exit code 259";
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "clear-cache,print,converter,clear-cache");
}

TEST_F(ConversionTest, AMissingConverterIsNotReportedButNoDocumentIsMade)
{
    Sandbox bare(Converter::Missing);
    RunResult result = RunCommandLine(bare, Conversion(PrintCommand(bare)), Answering({}, ConverterSide()));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, NoDocument);
    EXPECT_EQ(StandIn::Roles(Runs(bare)), "print");
    EXPECT_FALSE(PathExists(bare.SignalFile()));
}

TEST_F(ConversionTest, APrintCommandThatCannotStartEndsAtOnceWithCode4)
{
    std::string missing = "\"" + sandbox.Root() + "\\no such printer.exe\" doc.txt";
    RunResult result = RunCommandLine(sandbox, Conversion(missing), Answering({}, ConverterSide()));
    ASSERT_TRUE(result.exited);
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, PrintNotDelivered);
    // No hand-over and no converter run; the clean-up still runs.
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "clear-cache,clear-cache");
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST_F(ConversionTest, NoDocumentFromTheConverterEndsWithCode6)
{
    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, {{"STANDIN_PRINT_REMOVE_MARKER", "1"}}));
    EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
    EXPECT_EQ(result.exitCode, NoDocument);
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), "clear-cache,print,converter,clear-cache");
}

TEST_F(ConversionTest, ADocumentOlderThanTheRunDoesNotCount)
{
    WriteFileBytes(Output(), "%PDF from yesterday");
    HANDLE file = ::CreateFileA(Output().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER yesterday{{now.dwLowDateTime, now.dwHighDateTime}};
    yesterday.QuadPart -= 24ULL * 3600 * 10'000'000;
    FILETIME old{yesterday.LowPart, yesterday.HighPart};
    ::SetFileTime(file, &old, &old, &old);
    ::CloseHandle(file);

    RunResult result = RunCommandLine(sandbox, Conversion(PrintCommand(sandbox)),
                                      Answering({}, {{"STANDIN_PRINT_REMOVE_MARKER", "1"}}));
    EXPECT_EQ(result.exitCode, NoDocument);
}

} // namespace
} // namespace EndToEnd
