#pragma once
// What a run did, and its one line in the converter's log: every room fills
// in a report as it goes, and the entry (or the print watcher, for each job
// it takes) writes it at the end.
#include "ConverterExitCodes.h"

#include <string>

namespace Converter {

struct RunReport {
    std::wstring job;      // the spool job's file name; empty when none
    std::wstring document; // the document's path or name
    std::wstring done;     // the log's word for success; empty: nothing worth a line
    std::wstring reason;   // what was made, or why it failed
    size_t replacedCharacters = 0;
    std::wstring replacedByScript;
    bool alreadyReported = false; // the print run said why there is nothing to do: no line, no message
};

// The log's word for how a run ended: the one mapping from exit code to outcome.
std::wstring Outcome(ExitCode code, const std::wstring& done);

// Writes a run's one log line (and its failure to standard error), as Main
// does at the end of a run.
void ReportRun(ExitCode code, const RunReport& report);

} // namespace Converter
