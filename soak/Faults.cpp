#include "Faults.h"

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
};

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

std::vector<Fault> PlanFaults(size_t conversions, uint32_t seed, uint32_t faultEvery, bool fullFolder)
{
    std::mt19937 random(seed);
    std::vector<Fault> plan(conversions, Fault::None);
    const size_t kinds = Table.size() - 1;
    for (size_t run = 0; run < conversions; ++run) {
        if (random() % faultEvery != 0) {
            continue;
        }
        Fault fault = Table[1 + random() % kinds].fault;
        // Only a later run deletes the signal file that a held run leaves.
        if (ExpectationOf(fault).exclusive && run + 1 >= conversions) {
            fault = Fault::KilledConverterRun;
        }
        if (fault == Fault::OutputFolderFull && !fullFolder) {
            fault = Fault::OutputIsUnderFile;
        }
        plan[run] = fault;
    }
    return plan;
}

} // namespace Soak
