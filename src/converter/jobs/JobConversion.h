#pragma once
// A conversion run's side of the job hand-off (PDFCreator.exe with no
// arguments): the oldest job taken, rendered to the path in the hand-over
// file and removed, or put back; and the clearing of the spool.
#include "RunReport.h"
#include "Spool.h"

#include <string>

namespace Converter {

// Each fills in the report as it goes and throws Failure; the caller logs.
ExitCode ClearCache(const Spool& spool, RunReport& report);
ExitCode ConvertOldestJob(const Spool& spool, const std::wstring& signalFilePath, RunReport& report);

} // namespace Converter
