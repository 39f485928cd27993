#pragma once
// The print watcher (PDFCreator.exe /Watch): the converter side of the
// printer. The printer's port is a file; a job has arrived once nobody
// holds that file open and it ends as PostScript ends ("%%EOF"). The job
// is then taken into the spool for the run whose marker stood when the job
// was first seen, the port file is deleted so that the next job starts
// clean, and that marker is released, as /PrintFile does for a document.
// A job that no run waits for is dropped.
#include "ExitCodes.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace Converter {

class Spool;
struct RunReport;

struct WatchLimits {
    DWORD pollMilliseconds = 100;
    // Neither a marker nor a job this long: nobody prints for a run, the
    // watcher ends.
    DWORD idleMilliseconds = 30'000;
    // A closed port file that does not end as PostScript ends, unchanged
    // this long, is a broken job (its printing process was killed): dropped.
    DWORD unfinishedMilliseconds = 10'000;
    // A job that came while no marker of this watcher's stood is left this
    // long to a watcher whose run waits for it, then dropped.
    DWORD unclaimedMilliseconds = 3'000;
};

// Whether a job's bytes end as a complete PostScript document: "%%EOF",
// then only line ends, spaces or the end-of-job byte (Ctrl-D).
bool IsCompletePostScript(std::string_view bytes);

// The DSC "%%Title:" of the job's prolog, unquoted, or the empty string.
std::wstring PostScriptTitle(std::string_view bytes);

// Watches the port until idle, or until the port's folder is gone (the
// printer was removed); each job it meets is handed to its run (or
// dropped) and then reported, with the code a print run would end with.
void WatchPrinterPort(const std::wstring& portPath, const std::wstring& signalFilePath, const Spool& spool,
                      const WatchLimits& limits, const std::function<void(ExitCode, const RunReport&)>& report);

// Before a run places its marker: a job left at the port, which no run
// waited for (none watched as it came), is deleted, so that it cannot be
// taken for the run about to begin. A job still being written is left.
// True when one was deleted.
bool DropLeftJob(const std::wstring& portPath) noexcept;

// The name of the mutex that the one watcher of a signal file holds.
std::wstring WatcherMutexName(const std::wstring& signalFilePath);

// Starts "PDFCreator.exe /Watch" from the program's own folder, detached,
// unless a watcher of this signal file already runs. Never throws: a
// conversion does not fail for want of a watcher; false when none could be
// started.
bool StartWatcher(const std::wstring& signalFilePath) noexcept;

} // namespace Converter
