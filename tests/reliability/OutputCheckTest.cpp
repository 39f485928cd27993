// "Exit code 0 but no file" is what a script must never get: after the
// converter run the program looks for a document written during this run.
#include "CommandLineRun.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace TestSupport;

namespace {

constexpr DWORD NoDocument = 6;

const Environment PrintTakesTheJob = {{"STANDIN_PRINT_REMOVE_MARKER", "1"}};

Environment With(Environment environment, const Environment &more)
{
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
}

std::string Conversion(const Sandbox &sandbox, const std::string &outputPath)
{
    return "{\"" + sandbox.StandInExe() + "\" print} {" + outputPath + "}";
}

// An earlier run's document: last written an hour ago.
void WriteOldDocument(const std::string &path, const std::string &content)
{
    WriteFileBytes(path, content);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart -= 3600ULL * 10'000'000ULL;
    FILETIME hourAgo{time.LowPart, time.HighPart};
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(::SetFileTime(file, nullptr, nullptr, &hourAgo));
    ::CloseHandle(file);
}

struct Outcome {
    RunResult result;
    std::vector<StandIn::RunRecord> runs;
};

Outcome Convert(const Sandbox &sandbox, const std::string &outputPath, const Environment &scenario,
                std::vector<int> answers = {})
{
    Outcome outcome;
    outcome.result = RunCommandLine(sandbox, Conversion(sandbox, outputPath),
                                    Answering(std::move(answers), With(PrintTakesTheJob, scenario)));
    outcome.runs = StandIn::ReadLog(sandbox.LogFile());
    return outcome;
}

TEST(OutputCheckTest, ADocumentWrittenByTheConverterRunIsSuccess)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    Outcome outcome = Convert(sandbox, output, {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}});
    EXPECT_EQ(outcome.result.exitCode, 0u);
    EXPECT_TRUE(outcome.result.boxes.empty()) << outcome.result.DescribeBoxes();
    EXPECT_TRUE(PathExists(output));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST(OutputCheckTest, NothingWrittenEndsWithNoDocumentAndNoBox)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    Outcome outcome = Convert(sandbox, output, {});
    EXPECT_EQ(outcome.result.exitCode, NoDocument);
    EXPECT_TRUE(outcome.result.boxes.empty()) << outcome.result.DescribeBoxes();
    // The whole sequence still ran and cleaned up.
    EXPECT_EQ(StandIn::Roles(outcome.runs), "clear-cache,print,converter,clear-cache");
    EXPECT_FALSE(PathExists(output));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST(OutputCheckTest, AnOldDocumentAtTheOutputPathIsNotMistakenForANewOne)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    WriteOldDocument(output, "yesterday's document");
    Outcome outcome = Convert(sandbox, output, {});
    EXPECT_EQ(outcome.result.exitCode, NoDocument);
    EXPECT_TRUE(outcome.result.boxes.empty()) << outcome.result.DescribeBoxes();
    EXPECT_EQ(ReadFileBytes(output), "yesterday's document"); // looked at, never touched
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

TEST(OutputCheckTest, AnOldDocumentRewrittenByTheConverterIsSuccess)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    WriteOldDocument(output, "yesterday's document");
    Outcome outcome = Convert(sandbox, output, {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}});
    EXPECT_EQ(outcome.result.exitCode, 0u);
    EXPECT_NE(ReadFileBytes(output), "yesterday's document");
}

TEST(OutputCheckTest, AFolderAtTheOutputPathIsNoDocument)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    MakeFolders(output);
    Outcome outcome = Convert(sandbox, output, {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}});
    EXPECT_EQ(outcome.result.exitCode, NoDocument);
    EXPECT_TRUE(outcome.result.boxes.empty()) << outcome.result.DescribeBoxes();
    EXPECT_TRUE(IsFolder(output));
}

TEST(OutputCheckTest, AnEmptyOutputPathIsNotChecked)
{
    // The box's own code decides; no document is looked for at "".
    Sandbox sandbox;
    Outcome outcome = Convert(sandbox, "", {}, {IDOK});
    ASSERT_EQ(outcome.result.boxes.size(), 1u);
    EXPECT_EQ(outcome.result.boxes[0].text, "invalid Output File Path in Command Line.");
    EXPECT_EQ(outcome.result.exitCode, 2u);
    ASSERT_EQ(StandIn::Roles(outcome.runs), "clear-cache,print,converter,clear-cache");
    EXPECT_TRUE(outcome.runs[2].SignalHolds("\r\n"));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

} // namespace
