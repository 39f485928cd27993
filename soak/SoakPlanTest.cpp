// The soak's plan and documents: what a repeated run relies on.
#include "Documents.h"
#include "Faults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

using namespace Soak;

TEST(SoakPlanTest, OneRunInFiveGetsAFaultEveryKindAppearsAndTheSeedRepeatsThePlan)
{
    for (uint32_t seed : {1u, 42u, 4000000000u}) {
        SCOPED_TRACE(seed);
        std::vector<Fault> plan = PlanFaults(1000, seed, 5, true, 200);
        EXPECT_EQ(plan, PlanFaults(1000, seed, 5, true, 200));
        auto faulted =
            std::count_if(plan.begin(), plan.end(), [](Fault f) { return f != Fault::None && f != Fault::Printed; });
        EXPECT_GT(faulted, 150);
        EXPECT_LT(faulted, 250);
        for (const Expectation& row : AllExpectations()) {
            EXPECT_NE(std::find(plan.begin(), plan.end(), row.fault), plan.end()) << row.name;
        }
    }
}

TEST(SoakPlanTest, NoHeldSignalFileLastAndNoFullFolderWithoutOne)
{
    for (uint32_t seed = 0; seed < 200; ++seed) {
        std::vector<Fault> plan = PlanFaults(3, seed, 1, false);
        EXPECT_FALSE(ExpectationOf(plan.back()).exclusive) << seed;
        EXPECT_EQ(std::find(plan.begin(), plan.end(), Fault::OutputFolderFull), plan.end()) << seed;
    }
}

// A killed watcher stalls its session for the run's whole wait, and the job
// it leaves goes only at that session's next run.
TEST(SoakPlanTest, ThePrintersShareComesLastWithOneKilledWatcherAtMostNeverAmongTheLast)
{
    for (uint32_t seed = 0; seed < 200; ++seed) {
        std::vector<Fault> plan = PlanFaults(40, seed, 1, true, 10);
        for (size_t run = 0; run < plan.size(); ++run) {
            EXPECT_EQ(ExpectationOf(plan[run]).printer, run >= 30) << seed << " " << run;
        }
        EXPECT_LE(std::count(plan.begin(), plan.end(), Fault::WatcherKilled), 1) << seed;
        EXPECT_EQ(std::find(plan.end() - 4, plan.end(), Fault::WatcherKilled), plan.end()) << seed;
    }
}

TEST(SoakPlanTest, DocumentsAreTheirRunsOwnAndNeverWrap)
{
    std::set<std::string> texts;
    for (size_t run = 0; run < 50; ++run) {
        std::string text = MakeText(run, 7);
        EXPECT_EQ(text, MakeText(run, 7));
        EXPECT_EQ(text.rfind("Soak run " + std::to_string(run) + " seed 7\r\n", 0), 0u);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 77u) << run; // 76 characters and the CR
        }
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 50u);
}

// The watcher takes a job whose tail holds %%EOF; a cut one it refuses.
TEST(SoakPlanTest, APrintedJobEndsWithItsEofUnlessCutAndCarriesItsTextAsStrings)
{
    const std::string text = "Soak run 3 seed 7\r\n(amber) \\ basalt\r\n";
    const std::string whole = MakePostScript(text, "Soak0003", false);
    const std::string cut = MakePostScript(text, "Soak0003", true);
    EXPECT_EQ(whole.rfind("%!PS-Adobe-3.0\n%%Title: Soak0003\n", 0), 0u);
    EXPECT_TRUE(whole.ends_with("%%EOF\n"));
    EXPECT_EQ(cut.find("%%EOF"), std::string::npos);
    EXPECT_EQ(whole.rfind(cut, 0), 0u);
    EXPECT_NE(whole.find("(\\(amber\\) \\\\ basalt) show"), std::string::npos) << whole;
    EXPECT_EQ(PrintTextWords(9, 2), "w1x1 w1x2 w1x3 w1x4 w1x5 w1x6 w1x7 w1x8\r\nw1x9\r\n"
                                    "w2x1 w2x2 w2x3 w2x4 w2x5 w2x6 w2x7 w2x8\r\nw2x9\r\n");
}
