// Runs of one user share one signal file. Started together they must take
// turns: each converter run must be handed its own output path, none may
// hang, and a run stopped at a box or killed half-way must not hold up the
// others.
#include "EndToEnd.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

namespace EndToEnd {
namespace {

constexpr size_t Together = 4;

// The sleeps widen the window in which runs that did not take turns would
// trip over each other.
const Environment Cooperating = ConverterSide({{"STANDIN_PRINT_SLEEP_MS", "150"}, {"STANDIN_CONVERTER_SLEEP_MS", "150"}});

std::string OutputPath(const Sandbox& sandbox, size_t index)
{
    return sandbox.Root() + "\\out" + std::to_string(index) + ".pdf";
}

std::string Conversion(const Sandbox& sandbox, size_t index)
{
    return "{" + PrintCommand(sandbox, "job" + std::to_string(index)) + "} {" + OutputPath(sandbox, index) + "}";
}

// Each print run is followed by the converter run of the same conversion,
// which finds that conversion's own output path in the hand-over.
void ExpectEachConverterRunGotItsOwnPath(const Sandbox& sandbox, size_t conversions)
{
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    std::set<std::string> handedOver;
    const StandIn::RunRecord* lastPrint = nullptr;
    for (const StandIn::RunRecord& run : runs) {
        if (run.role == "print") {
            EXPECT_EQ(lastPrint, nullptr) << "two print runs in a row: " << StandIn::Roles(runs);
            // Its marker was still there: no other run took it as stale.
            EXPECT_TRUE(run.SignalHolds("")) << run.commandLine << " found the signal file " << run.signalState;
            lastPrint = &run;
        } else if (run.role == "converter") {
            ASSERT_NE(lastPrint, nullptr) << "a converter run without a print run: " << StandIn::Roles(runs);
            std::string job = lastPrint->commandLine.substr(lastPrint->commandLine.rfind("job") + 3);
            EXPECT_TRUE(run.SignalHolds(OutputPath(sandbox, std::stoul(job)) + "\r\n"))
                << "after print job " << job << " the converter got \"" << run.signalBytes << "\"";
            handedOver.insert(run.signalBytes);
            lastPrint = nullptr;
        }
    }
    EXPECT_EQ(handedOver.size(), conversions) << StandIn::Roles(runs);
}

// The runs take turns, so each is given its bound from the end of the run
// before it, not from the start of the test: a run that hangs or stops at a
// box fails within one bound, and the last to get the lock is not held to
// one bound for all of them. Results in the order of the runs.
std::vector<RunResult> FinishInTurn(std::vector<std::unique_ptr<ChildProcess>>& runs, DWORD boundPerRunMs)
{
    std::vector<std::optional<RunResult>> results(runs.size());
    auto collectEnded = [&] {
        bool any = false;
        for (size_t i = 0; i < runs.size(); ++i) {
            if (!results[i] && runs[i]->HasExited()) {
                results[i] = FinishRun(*runs[i], {});
                any = true;
            }
        }
        return any;
    };
    while (std::count(results.begin(), results.end(), std::nullopt) > 0 && WaitUntil(collectEnded, boundPerRunMs)) {
    }
    std::vector<RunResult> finished;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (!results[i]) {
            ADD_FAILURE() << "run " << i << ": no run ended within " << boundPerRunMs << " ms of the one before";
            results[i] = FinishRun(*runs[i], {}, 0);
        }
        finished.push_back(*results[i]);
    }
    return finished;
}

TEST(ConcurrencyTest, FourConversionsStartedTogetherEachGetTheirOwnOutput)
{
    Sandbox sandbox;
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (size_t i = 0; i < Together; ++i) {
        runs.push_back(StartCommandLine(sandbox, Conversion(sandbox, i), Cooperating));
    }
    std::vector<RunResult> results = FinishInTurn(runs, 45000);
    for (size_t i = 0; i < Together; ++i) {
        const RunResult& result = results[i];
        EXPECT_EQ(result.exitCode, Success) << i;
        EXPECT_TRUE(PathExists(OutputPath(sandbox, i))) << i;
    }
    ExpectEachConverterRunGotItsOwnPath(sandbox, Together);
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// The project's own converter, whose print run spools the document and whose
// converter run renders the oldest job: each PDF must hold its own text.
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
    std::vector<RunResult> results = FinishInTurn(runs, 60000);
    for (size_t i = 0; i < Together; ++i) {
        const RunResult& result = results[i];
        EXPECT_EQ(result.exitCode, Success) << i;
        ASSERT_TRUE(PathExists(OutputPath(sandbox, i))) << i;
        std::string pdf = ReadFileBytes(OutputPath(sandbox, i));
        EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0) << i;
        // The text is compressed and drawn by glyph codes; the title, the
        // document's file name, stands in the open.
        EXPECT_TRUE(Contains(pdf, "/Title (document" + std::to_string(i) + ".txt)")) << i << " got another's document";
    }
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

// A box of the command-line stage waits for a user, who may never come: the
// run showing it must not keep a conversion started after it from its end.
TEST(ConcurrencyTest, ARunWaitingAtABoxDoesNotHoldUpTheNext)
{
    struct Case {
        std::string arguments; // "%print%": a print command of the stand-in
        int answer;
        DWORD exitCode;
    } cases[] = {
        {"", IDNO, HelpShown},
        {"{}{out.pdf}", IDOK, InvalidCommandLine},
        {"{print}", IDOK, InvalidCommandLine},
        {"{%print%}{}", IDOK, InvalidCommandLine}, // converts after its box
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Sandbox sandbox;
        std::string arguments = cases[i].arguments;
        if (size_t at = arguments.find("%print%"); at != std::string::npos) {
            arguments.replace(at, 7, PrintCommand(sandbox));
        }
        auto waiting = StartCommandLine(sandbox, arguments, Cooperating);
        ASSERT_TRUE(WaitForMessageBox(*waiting, 20000).has_value()) << i;

        RunResult result = RunCommandLine(sandbox, Conversion(sandbox, 0), {}, Cooperating);
        EXPECT_EQ(result.exitCode, Success) << i;
        EXPECT_TRUE(PathExists(OutputPath(sandbox, 0))) << i;
        EXPECT_TRUE(FindMessageBox(waiting->Id()).has_value()) << i << ": the box went away unanswered";

        EXPECT_EQ(FinishRun(*waiting, {cases[i].answer}).exitCode, cases[i].exitCode) << i;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
    }
}

// A run killed while it waits for its print run leaves its lock abandoned
// and its marker behind: the next run takes the lock, clears the leftover
// as stale and converts.
TEST(ConcurrencyTest, ARunKilledInItsPrintRunDoesNotBlockTheNext)
{
    Sandbox sandbox;
    auto crashed = StartCommandLine(sandbox, Conversion(sandbox, 0), {{"STANDIN_PRINT_SLEEP_MS", "60000"}});
    ASSERT_TRUE(WaitUntil([&] { return !Runs(sandbox).empty() && Runs(sandbox).back().role == "print"; }, 20000));
    crashed->Kill();
    ASSERT_TRUE(PathExists(sandbox.SignalFile())) << "the killed run left no marker for the next to deal with";
    ASSERT_TRUE(RemoveTree(sandbox.LogFile())); // from here on, the next run's children alone

    RunResult result = RunCommandLine(sandbox, Conversion(sandbox, 1), {}, Cooperating);
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_TRUE(PathExists(OutputPath(sandbox, 1)));
    EXPECT_EQ(StandIn::Roles(Runs(sandbox)), AllFourRuns);
    ExpectEachConverterRunGotItsOwnPath(sandbox, 1);
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

} // namespace
} // namespace EndToEnd
