// Runs of one user share one signal file. Started together they must take
// turns: each converter run must be handed its own output path, none may
// hang, and a run stopped at a box or killed half-way must not hold up the
// others.
#include "EndToEnd.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"
#include "LaterRuns.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace TestSupport;
using namespace Reliability;

namespace {

constexpr size_t Together = 4;

// The stand-in plays the converter side: its print run takes the job (and
// the marker), its converter run writes the document. The sleeps widen the
// window in which runs that did not take turns would trip over each other.
const Environment Cooperating =
    EndToEnd::ConverterSide({{"STANDIN_PRINT_SLEEP_MS", "150"}, {"STANDIN_CONVERTER_SLEEP_MS", "150"}});

std::string OutputPath(const Sandbox &sandbox, size_t index)
{
    return sandbox.Root() + "\\out" + std::to_string(index) + ".pdf";
}

std::string PrintCommand(const Sandbox &sandbox, size_t index)
{
    return "\"" + sandbox.StandInExe() + "\" print job" + std::to_string(index);
}

std::string Conversion(const Sandbox &sandbox, size_t index)
{
    return "{" + PrintCommand(sandbox, index) + "} {" + OutputPath(sandbox, index) + "}";
}

// Each print run is followed by the converter run of the same conversion:
// the converter finds that conversion's own output path in the hand-over.
void ExpectEachConverterRunGotItsOwnPath(const Sandbox &sandbox, size_t conversions)
{
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    std::set<std::string> handedOver;
    const StandIn::RunRecord *lastPrint = nullptr;
    for (const StandIn::RunRecord &run : runs) {
        if (run.role == "print") {
            EXPECT_EQ(lastPrint, nullptr) << "two print runs without a converter run between them:\n"
                                          << StandIn::Roles(runs);
            // Its marker was still there: no other run took it as stale.
            EXPECT_TRUE(run.SignalHolds("")) << run.commandLine << " found the signal file " << run.signalState;
            lastPrint = &run;
        } else if (run.role == "converter") {
            ASSERT_NE(lastPrint, nullptr) << "a converter run without a print run before it:\n" << StandIn::Roles(runs);
            std::string job = lastPrint->commandLine.substr(lastPrint->commandLine.rfind("job") + 3);
            std::string expected = OutputPath(sandbox, std::stoul(job)) + "\r\n";
            EXPECT_TRUE(run.SignalHolds(expected))
                << "after print job " << job << " the converter got \"" << run.signalBytes << "\"";
            handedOver.insert(run.signalBytes);
            lastPrint = nullptr;
        }
    }
    EXPECT_EQ(handedOver.size(), conversions) << StandIn::Roles(runs);
}

TEST(ConcurrencyTest, FourConversionsStartedTogetherEachGetTheirOwnOutput)
{
    Sandbox sandbox;
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (size_t i = 0; i < Together; ++i) {
        runs.push_back(StartCommandLine(sandbox, Conversion(sandbox, i), Cooperating));
    }
    for (size_t i = 0; i < Together; ++i) {
        RunResult result = Finish(*runs[i], {}, 60000);
        EXPECT_TRUE(result.exited) << "run " << i;
        EXPECT_EQ(result.exitCode, 0u) << "run " << i << "\n" << result.DescribeBoxes();
        EXPECT_TRUE(result.boxes.empty()) << "run " << i << "\n" << result.DescribeBoxes();
        EXPECT_TRUE(PathExists(OutputPath(sandbox, i))) << "run " << i;
    }
    ExpectEachConverterRunGotItsOwnPath(sandbox, Together);
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// The project's own converter side, whose print run spools the document and
// whose converter run renders the oldest job: each PDF must hold its own
// document's text.
TEST(ConcurrencyTest, FourConversionsThroughTheRealConverter)
{
    Sandbox sandbox;
    CopyFileOver(ARDENFOLD_CONVERTER_EXE, sandbox.ConverterExe());
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (size_t i = 0; i < Together; ++i) {
        std::string document = sandbox.Root() + "\\document" + std::to_string(i) + ".txt";
        WriteFileBytes(document, "Document number " + std::to_string(i) + " of the concurrency test\r\n");
        std::string print = "\"" + sandbox.ConverterExe() + "\" /PrintFile \"" + document + "\"";
        runs.push_back(StartCommandLine(sandbox, "{" + print + "} {" + OutputPath(sandbox, i) + "}"));
    }
    for (size_t i = 0; i < Together; ++i) {
        RunResult result = Finish(*runs[i], {}, 90000);
        EXPECT_EQ(result.exitCode, 0u) << "run " << i << "\n" << result.DescribeBoxes();
        ASSERT_TRUE(PathExists(OutputPath(sandbox, i))) << "run " << i;
        std::string pdf = ReadFileBytes(OutputPath(sandbox, i));
        EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0) << "run " << i;
        EXPECT_NE(pdf.find("Document number " + std::to_string(i) + " of"), std::string::npos)
            << "run " << i << " got another run's document";
    }
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// A box of the command-line stage waits for a user, who may never come: the
// run showing it must not keep a conversion started after it from its end.
TEST(ConcurrencyTest, ARunWaitingAtABoxDoesNotHoldUpTheNext)
{
    struct Case {
        const char *situation;
        std::string arguments;
        int answer;
        DWORD exitCode;
    } cases[] = {
        {"help prompt", "", IDNO, 1},
        {"empty print command", "{}{out.pdf}", IDOK, 2},
        {"missing output group", "{print}", IDOK, 2},
        {"empty output path (the run converts after the box)", "{\"StandIn.exe\" print}{}", IDOK, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        Sandbox sandbox;
        // The box-stopped run's own print run, where it has one, cooperates too.
        std::string arguments = c.arguments;
        if (size_t at = arguments.find("\"StandIn.exe\""); at != std::string::npos) {
            arguments.replace(at, 13, "\"" + sandbox.StandInExe() + "\"");
        }
        auto waiting = StartCommandLine(sandbox, arguments, Cooperating);
        std::optional<SeenBox> box = WaitForMessageBox(*waiting, 20000);
        ASSERT_TRUE(box.has_value()) << "no box from " << c.arguments;

        auto next = StartCommandLine(sandbox, Conversion(sandbox, 0), Cooperating);
        RunResult result = Finish(*next, {}, 30000);
        EXPECT_EQ(result.exitCode, 0u) << result.DescribeBoxes();
        EXPECT_TRUE(PathExists(OutputPath(sandbox, 0)));
        EXPECT_FALSE(waiting->HasExited()) << "the box was not waiting";
        EXPECT_TRUE(FindMessageBox(waiting->Id()).has_value()) << "the box went away unanswered";

        RunResult late = Finish(*waiting, {c.answer}, 30000);
        EXPECT_EQ(late.exitCode, c.exitCode);
        EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    }
}

// A run killed while it waits for its print run leaves its lock abandoned
// and its marker behind: the next run takes the lock, clears the leftover
// as stale and converts.
TEST(ConcurrencyTest, ARunKilledInItsPrintRunDoesNotBlockTheNext)
{
    Sandbox sandbox;
    {
        auto crashed = StartCommandLine(sandbox, Conversion(sandbox, 0), {{"STANDIN_PRINT_SLEEP_MS", "60000"}});
        ASSERT_TRUE(WaitForRecords(sandbox, "print", 1, 20000)) << "the print run never started";
        ASSERT_TRUE(PathExists(sandbox.SignalFile())) << "no marker during the print run";
        crashed->Kill();
    }
    ASSERT_TRUE(PathExists(sandbox.SignalFile())) << "the killed run left nothing for the next to deal with";
    ASSERT_TRUE(RemoveTree(sandbox.LogFile())); // from here on, the next run's children alone

    auto next = StartCommandLine(sandbox, Conversion(sandbox, 1), Cooperating);
    RunResult result = Finish(*next, {}, 30000);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0u) << result.DescribeBoxes();
    EXPECT_TRUE(PathExists(OutputPath(sandbox, 1)));
    std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
    ASSERT_FALSE(runs.empty());
    EXPECT_TRUE(runs.back().role == "clear-cache") << StandIn::Roles(runs);
    ExpectEachConverterRunGotItsOwnPath(sandbox, 1);
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

} // namespace
