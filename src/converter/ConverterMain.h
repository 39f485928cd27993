#pragma once
// PDFCreator.exe, the converter side: what each of its command lines does.
//   /PrintFile <document>   take the document as a print job; release the marker
//   /ClearCache [/NoStart]  drop every pending job
//   (no arguments)          render the oldest job to the path in the hand-over file
#include "ExitCodes.h"

#include <string>
#include <vector>

namespace Converter {

// Throws Failure; the marker is released whatever becomes of the document.
ExitCode PrintFile(const std::wstring& documentPath);
ExitCode ClearCache();
ExitCode ConvertOldestJob();

// Runs the command line given as arguments (the program name left out) and
// returns the exit code. Never throws and never shows anything: a failure's
// description goes to the standard error handle when there is one.
int Main(const std::vector<std::wstring>& arguments);

} // namespace Converter
