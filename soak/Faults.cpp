#include "Faults.h"

#include <algorithm>
#include <stdexcept>

namespace Soak {

namespace {

// A run waits for up to three others to finish their conversions first.
constexpr DWORD RunBoundMs = 120000;

// The converter refuses a hostile document (binary data, an image it cannot
// read): no document, so exit 6, within seconds. Before it refused them, it
// converted them as text: {0} and the common bound.
constexpr DWORD RefusalBoundMs = 30000;
const std::vector<Expectation> Table = {
    {Fault::None, "none", {0}, false, true, RunBoundMs, false},
    {Fault::HeldSignalFile, "held signal file", {3}, true, false, 30000, true},
    {Fault::KilledPrintRun, "killed print run", {0}, false, true, RunBoundMs, false},
    {Fault::KilledConverterRun, "killed converter run", {6}, false, false, RunBoundMs, false},
    {Fault::DocumentGone, "document gone after /PrintFile", {0}, false, true, RunBoundMs, false},
    {Fault::OutputIsUnderFile, "output folder is a file", {6}, false, false, RunBoundMs, false},
    {Fault::OutputIsFolder, "output path is a folder", {6}, false, false, RunBoundMs, false},
    {Fault::OutputHeld, "output file held open", {6}, false, false, RunBoundMs, false},
    {Fault::OutputFolderFull, "output folder full", {6}, false, false, RunBoundMs, false},
    {Fault::HostileBytes, "hostile: random bytes", {6}, false, false, RefusalBoundMs, false},
    {Fault::HostileHugePng, "hostile: huge PNG", {6}, false, false, RefusalBoundMs, false},
    {Fault::HostileTruncatedJpeg, "hostile: truncated JPEG", {6}, false, false, RefusalBoundMs, false},
    {Fault::Printed, "printed (two sessions at once)", {0}, false, true, RunBoundMs, false, true},
    // Nobody takes the job: the run gives up after its 5 minutes' wait.
    {Fault::WatcherKilled, "printed: watcher killed mid-job", {4}, false, false, 330000, true, true},
    {Fault::GhostscriptKilled, "printed: Ghostscript killed", {6}, false, false, RunBoundMs, false, true},
    {Fault::JobOverCap, "printed: job over the size cap", {6}, false, false, 240000, false, true},
    {Fault::JobCutShort, "printed: job cut before %%EOF", {6}, false, false, RunBoundMs, false, true},
    {Fault::JobFileHeld, "printed: job file held open", {0}, false, true, RunBoundMs, false, true},
};

// The kinds that are faults of their share.
std::vector<Fault> FaultKinds(bool printer)
{
    std::vector<Fault> kinds;
    for (const Expectation& row : Table) {
        if (row.printer == printer && row.fault != Fault::None && row.fault != Fault::Printed) {
            kinds.push_back(row.fault);
        }
    }
    return kinds;
}

// Runs of a session that come after a run of this many runs at most.
constexpr size_t RunsAfterAStalledSession = 4;

} // namespace

const std::vector<Expectation>& AllExpectations()
{
    return Table;
}

const Expectation& ExpectationOf(Fault fault)
{
    for (const Expectation& row : Table) {
        if (row.fault == fault) {
            return row;
        }
    }
    throw std::logic_error("a fault without a row in the table");
}

std::vector<Fault> PlanFaults(size_t conversions, uint32_t seed, uint32_t faultEvery, bool fullFolder,
                              size_t printerRuns)
{
    std::mt19937 random(seed);
    std::vector<Fault> plan(conversions, Fault::None);
    const std::vector<Fault> plainKinds = FaultKinds(false);
    const std::vector<Fault> printerKinds = FaultKinds(true);
    const size_t firstPrinterRun = conversions - std::min(printerRuns, conversions);
    bool watcherKilled = false;
    for (size_t run = 0; run < conversions; ++run) {
        const bool printer = run >= firstPrinterRun;
        plan[run] = printer ? Fault::Printed : Fault::None;
        if (random() % faultEvery != 0) {
            continue;
        }
        const std::vector<Fault>& kinds = printer ? printerKinds : plainKinds;
        Fault fault = kinds[random() % kinds.size()];
        // Only a later run deletes the signal file that a held run leaves.
        if (fault == Fault::HeldSignalFile && run + 1 >= conversions) {
            fault = Fault::KilledConverterRun;
        }
        // A run that gave up on its job leaves it for its session's next run.
        if (fault == Fault::WatcherKilled && (watcherKilled || run + RunsAfterAStalledSession >= conversions)) {
            fault = Fault::GhostscriptKilled;
        }
        if (fault == Fault::OutputFolderFull && !fullFolder) {
            fault = Fault::OutputIsUnderFile;
        }
        watcherKilled = watcherKilled || fault == Fault::WatcherKilled;
        plan[run] = fault;
    }
    return plan;
}

} // namespace Soak
