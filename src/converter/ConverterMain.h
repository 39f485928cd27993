#pragma once
// PDFCreator.exe, the converter side: what each of its command lines does.
//   /PrintFile <document>   take the document as a print job for the run whose
//                           marker is there; release that marker
//   /ClearCache [/NoStart]  drop every pending job
//   (no arguments)          render the oldest job to the path in the hand-over file
//   /Watch                  take the printer's jobs for the runs that wait for them
//   /AddPrinter [/Default]  install the printer "Ardenfold PDF"
//   /RemovePrinter          remove it
// The entry only dispatches, traps and logs: the rooms below do the work
// (jobs: the hand-off and the conversion; printer: the printer and its
// watcher; render and fonts beneath them; core: exit codes and the log).
#include <string>
#include <vector>

namespace Converter {

// Runs the command line given as arguments (the program name left out),
// writes the run's one log line and returns the exit code. Never throws and
// never shows anything: a failure's description goes to the standard error
// handle when there is one.
int Main(const std::vector<std::wstring>& arguments);

} // namespace Converter
