#pragma once
// PDFCreator.exe, the converter side: what each of its command lines does.
//   /PrintFile <document>   take the document as a print job for the run whose
//                           marker is there; release that marker
//   /ClearCache [/NoStart]  drop every pending job
//   (no arguments)          render the oldest job to the path in the hand-over file
//   /Watch                  take the printer's jobs for the runs that wait for them
//   /AddPrinter [/Default]  install the printer "Ardenfold PDF"
//   /RemovePrinter          remove it
#include "ExitCodes.h"
#include "SignalExchange.h"
#include "Spool.h"

#include <optional>
#include <string>
#include <vector>

namespace Converter {


// What a run did, for its one line in the log.
struct RunReport {
    std::wstring job;      // the spool job's file name; empty when none
    std::wstring document; // the document's path or name
    std::wstring done;     // the log's word for success; empty: nothing worth a line
    std::wstring reason;   // what was made, or why it failed
    size_t replacedCharacters = 0;
    std::wstring replacedByScript;
    bool alreadyReported = false; // the print run said why there is nothing to do: no line, no message
};

// A print run as it begins: the run it prints for is the one whose marker
// is at the signal file's place now.
struct PrintRun {
    std::wstring signalFilePath;
    std::optional<SignalExchange::MarkerIdentity> marker; // none: no run waits
};
PrintRun BeginPrintRun(const std::wstring& signalFilePath);

// Each fills in the report as it goes and throws Failure; the caller logs.
// FinishPrintRun spools the document for that run alone: its job becomes
// takeable only if the same marker is still there, which it then releases
// whatever becomes of the document (a refusal is noted in the spool for the
// conversion run). A job whose run has given up is dropped.
ExitCode FinishPrintRun(const PrintRun& run, const Spool& spool, const std::wstring& documentPath,
                        RunReport& report);
// The same for a job already spooled (or none, when failure says why): the
// print watcher's jobs.
ExitCode HandJobToRun(const PrintRun& run, const Spool& spool, std::optional<UnreleasedJob> job,
                      std::optional<Failure> failure, RunReport& report);
ExitCode ClearCache(const Spool& spool, RunReport& report);
ExitCode ConvertOldestJob(const Spool& spool, const std::wstring& signalFilePath, RunReport& report);

// The log's word for how a run ended: the one mapping from exit code to outcome.
std::wstring Outcome(ExitCode code, const std::wstring& done);

// Writes a run's one log line (and its failure to standard error), as Main
// does at the end of a run.
void ReportRun(ExitCode code, const RunReport& report);

// Runs the command line given as arguments (the program name left out),
// writes the run's one log line and returns the exit code. Never throws and
// never shows anything: a failure's description goes to the standard error
// handle when there is one.
int Main(const std::vector<std::wstring>& arguments);

} // namespace Converter
