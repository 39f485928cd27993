#pragma once
// The print watcher (PDFCreator.exe /Watch): the converter side of the
// printer. The port monitor writes each printed job into the printed jobs
// folder of its owner's session, beside the signal file, noting the marker
// that stood as printing began. The watcher of that signal file takes each
// finished job into the spool and releases that marker, as /PrintFile does
// for a document; a job whose run has gone, which no run waited for, or
// which is not this user's is dropped, and said so.
#include "ConverterExitCodes.h"
#include "Handle.h"
#include "PostScriptJob.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace Converter {

class Spool;
struct RunReport;

struct WatchLimits {
    DWORD pollMilliseconds = 100;
    // Neither a run, nor a marker, nor a job this long: the watcher may end.
    DWORD idleMilliseconds = 0;
};

// What the watcher asks of its surroundings: whether the printer is gone
// (then it ends at once), whether a run of its signal file goes on (it
// watches while one does), and, once idle, whether it may end (false: a run
// has just asked for it, so it watches on).
struct WatchControl {
    std::function<bool()> printerRemoved;
    std::function<bool()> runInProgress;
    std::function<bool()> mayEnd;
    std::function<void(ExitCode, const RunReport&)> report;
};

// Watches the signal file's printed jobs while a run goes on, or a marker
// or a job is there, and ends soon after (it must not outlive the run that
// started it by more than a moment: under Wine it holds whatever its
// caller's standard error was), or when the printer is removed. Each job it
// meets is handed to its run (or dropped) and then reported, with the code
// a print run would end with. A job that came while no watcher ran waits
// in the folder for the next run's watcher, which drops it (no run waited).
void WatchPrintedJobs(const std::wstring& signalFilePath, const Spool& spool, const WatchLimits& limits,
                      const WatchControl& control);

// The folder where the port monitor leaves this signal file's jobs, made
// for this user alone when it is missing. Throws Failure(SpoolUnusable)
// when it cannot be made or is not this user's alone.
std::wstring PreparePrintedJobsFolder(const std::wstring& signalFilePath);

// The names of the watcher's lock (held while one watches a signal file),
// and of the lock under which a watcher ends and a run asks for one.
std::wstring WatcherMutexName(const std::wstring& signalFilePath);
std::wstring WatcherStartMutexName(const std::wstring& signalFilePath);

// Takes the watcher's lock of the signal file, which the one watcher holds
// for as long as it runs; none when another watcher holds it. Throws
// Failure when the lock's name is not this user's to use.
Global::KernelHandle TakeWatcherLock(const std::wstring& signalFilePath);

// For a run about to print: makes sure that a watcher of this signal file
// runs and stays until the run's marker is seen. Starts "PDFCreator.exe
// /Watch" from the program's own folder, detached, in that folder, unless
// one runs and has not decided to end. Throws Failure when none could be
// started, saying why.
void EnsureWatcher(const std::wstring& signalFilePath);

// The watcher's own end: under the start lock, it ends only when no run
// asked for it since it last looked. Returns true when it may end; the
// start lock is then held until the watcher's lock is released.
class WatcherEnd {
public:
    explicit WatcherEnd(const std::wstring& signalFilePath);
    ~WatcherEnd();
    WatcherEnd(const WatcherEnd&) = delete;
    WatcherEnd& operator=(const WatcherEnd&) = delete;
    bool MayEnd();

private:
    std::wstring signalFilePath_;
    Global::KernelHandle start_;
};

} // namespace Converter
