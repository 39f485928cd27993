#pragma once
// The faults the soak injects and what the README's fault matrix and exit-code
// table say a caller then meets. One row per fault: when the product's answer
// to a fault changes, its row is the one line to change.
#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace Soak {

enum class Fault {
    None,
    HeldSignalFile,     // another process holds CommandLine.txt when the run starts
    KilledPrintRun,     // the print run is killed once it has handed its job over
    KilledConverterRun, // the converter run is killed at a moment drawn from its first 100 ms of work
    DocumentGone,       // the document is deleted once the print run has ended
    OutputIsUnderFile,  // a file stands in place of the output's folder
    OutputIsFolder,     // a folder stands at the output path
    OutputHeld,         // an old document at the output path, held open with no sharing
    OutputFolderFull,   // the output's folder is on a file system with no space left
    HostileBytes,       // random bytes, NULs and stray high bytes, named .txt
    HostileHugePng,     // a PNG that claims 100,000 x 100,000 pixels, its data garbage
    HostileTruncatedJpeg, // a JPEG header cut off in its frame segment
    // The printer's runs: a job printed to the installed printer, through the
    // port, the watcher and Ghostscript, by two sessions of their own TMP.
    Printed,           // no fault
    WatcherKilled,     // the print watcher is killed while the job is printed
    GhostscriptKilled, // gs.exe is killed while it converts the job
    JobOverCap,        // the job is larger than the port keeps
    JobCutShort,       // the job ends before its %%EOF
    JobFileHeld,       // another process holds the job's file open as it is finished
};

struct Expectation {
    Fault fault;
    const char* name;
    std::vector<DWORD> exitCodes; // any of these is right
    bool missingFilesBox;         // the run shows the missing-files box (and no other)
    bool textMatches;             // a PDF is written and its text is the document's
    DWORD boundMs;                // the run is killed, and fails, past this
    bool exclusive;               // touches what every run shares: no other run may be under way
    bool printer = false;         // a run of the printer's share
};

const Expectation& ExpectationOf(Fault fault);
const std::vector<Expectation>& AllExpectations();

// One fault for each run: a fault in one run of faultEvery (five for the
// soak), spread evenly over the kinds. The same seed gives the same plan. A run that leaves something
// for the next run to clear (a held signal file) is never among the last.
// Without a full file system at hand, its runs get a file in place of the
// output's folder instead. The last printerRuns runs print to the printer,
// with the printer's faults; a killed watcher, which stalls its session
// for the run's whole wait, comes once at most and never among the last.
std::vector<Fault> PlanFaults(size_t conversions, uint32_t seed, uint32_t faultEvery = 5, bool fullFolder = true,
                              size_t printerRuns = 0);

} // namespace Soak
