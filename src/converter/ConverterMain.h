#pragma once
// PDFCreator.exe, the converter side: what each of its command lines does.
//   /PrintFile <document>   take the document as a print job; release the marker
//   /ClearCache [/NoStart]  drop every pending job
//   (no arguments)          render the oldest job to the path in the hand-over file
#include "ExitCodes.h"

#include <string>
#include <vector>

namespace Converter {

class Spool;

// What a run did, for its one line in the log.
struct RunReport {
    std::wstring job;      // the spool job's file name; empty when none
    std::wstring document; // the document's path or name
    std::wstring done;     // the log's word for success; empty: nothing worth a line
    std::wstring reason;   // what was made, or why it failed
    size_t replacedCharacters = 0;
    std::wstring replacedByScript;
};

// Each fills in the report as it goes and throws Failure; the caller logs.
// PrintFile releases the marker whatever becomes of the document.
ExitCode PrintFile(const Spool& spool, const std::wstring& documentPath, RunReport& report);
ExitCode ClearCache(const Spool& spool, RunReport& report);
ExitCode ConvertOldestJob(const Spool& spool, RunReport& report);

// The log's word for how a run ended: the one mapping from exit code to outcome.
std::wstring Outcome(ExitCode code, const std::wstring& done);

// Runs the command line given as arguments (the program name left out),
// writes the run's one log line and returns the exit code. Never throws and
// never shows anything: a failure's description goes to the standard error
// handle when there is one.
int Main(const std::vector<std::wstring>& arguments);

} // namespace Converter
