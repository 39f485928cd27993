#pragma once
// A print run's side of the job hand-off (PDFCreator.exe /PrintFile, and the
// print watcher for each printed job): the document copied into a job of
// the spool, sniffed once on the way, and handed to the conversion run whose
// marker stood as the print run began, or dropped.
#include "RunReport.h"
#include "SignalExchange.h"
#include "Spool.h"

#include <optional>
#include <string>

namespace Converter {

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

} // namespace Converter
