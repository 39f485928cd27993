#include "ConverterMain.h"

#include "JobConversion.h"
#include "PrintRun.h"
#include "PrintWatcher.h"
#include "PrinterSetup.h"
#include "SignalFile.h"
#include "Spool.h"

#include <windows.h>

namespace Converter {

using namespace Global;

namespace {

bool IsSwitch(const std::wstring& argument, const wchar_t* name)
{
    return ::lstrcmpiW(argument.c_str(), name) == 0;
}

ExitCode Watch(const std::wstring& signalFilePath, const Spool& spool)
{
    Global::KernelHandle mutex = TakeWatcherLock(signalFilePath);
    if (!mutex) {
        return ExitCode::Success; // another watcher has the signal file's jobs
    }
    // The watcher's lock goes before the start lock that its end holds: a
    // run waiting on the start lock then finds no watcher and starts one.
    WatcherEnd end(signalFilePath);
    ScopeExit release([&] { ::ReleaseMutex(mutex.Get()); });
    WatchPrintedJobs(signalFilePath, spool, WatchLimits{},
                     WatchControl{[] { return !PortMonitorInstalled(); },
                                  [&] { return SignalExchange::RunInProgress(signalFilePath); },
                                  [&] { return end.MayEnd(); }, ReportRun});
    return ExitCode::Success;
}

ExitCode Run(const std::vector<std::wstring>& arguments, RunReport& report)
{
    auto only = [&](const wchar_t* name) { return arguments.size() == 1 && IsSwitch(arguments[0], name); };
    bool printFile = arguments.size() == 2 && IsSwitch(arguments[0], L"/PrintFile");
    bool clearCache = only(L"/ClearCache") || (arguments.size() == 2 && IsSwitch(arguments[0], L"/ClearCache") &&
                                               IsSwitch(arguments[1], L"/NoStart"));
    bool addPrinter = only(L"/AddPrinter") || (arguments.size() == 2 && IsSwitch(arguments[0], L"/AddPrinter") &&
                                               IsSwitch(arguments[1], L"/Default"));
    bool removePrinter = only(L"/RemovePrinter");
    bool watch = only(L"/Watch");
    if (!arguments.empty() && !printFile && !clearCache && !addPrinter && !removePrinter && !watch) {
        throw Failure(ExitCode::BadArguments, L"Usage: PDFCreator.exe [/PrintFile <document> | /ClearCache /NoStart | "
                                              L"/Watch | /AddPrinter [/Default] | /RemovePrinter]");
    }
    if (addPrinter || removePrinter) {
        report.document = PrinterName;
        if (addPrinter) {
            InstallPrinter(arguments.size() == 2);
            report.done = L"printer added";
        } else {
            UninstallPrinter();
            report.done = L"printer removed";
        }
        return ExitCode::Success;
    }
    if (printFile) {
        report.document = arguments[1];
    }
    std::wstring signalFilePath = FindSignalFile();
    // The spool lies beside the signal file: the runs that share one share
    // the other, and take turns through the same run lock.
    Spool spool(Spool::FolderFor(signalFilePath));
    if (printFile) {
        return FinishPrintRun(BeginPrintRun(signalFilePath), spool, arguments[1], report);
    }
    if (watch) {
        return Watch(signalFilePath, spool);
    }
    if (clearCache) {
        ExitCode code = ClearCache(spool, report);
        // A run begins with this: whatever it prints to the printer then has
        // its folder to go to and a watcher to take it. A conversion does
        // not fail for want of a watcher, but the log says why there is none.
        if (PrinterInstalled()) {
            try {
                PreparePrintedJobsFolder(signalFilePath);
                EnsureWatcher(signalFilePath);
            } catch (const Failure& failure) {
                report.done = L"cleared";
                report.reason += (report.reason.empty() ? L"" : L"; ") + std::wstring(L"no print watcher: ") +
                                 failure.Description();
            }
        }
        return code;
    }
    return ConvertOldestJob(spool, signalFilePath, report);
}

} // namespace

int Main(const std::vector<std::wstring>& arguments)
{
    RunReport report;
    ExitCode code = ExitCode::UnexpectedError;
    try {
        code = Run(arguments, report);
    } catch (...) {
        // A run that has taken a job works on its document.
        Failure failure = CurrentFailure(report.job.empty() ? std::wstring() : report.document);
        code = failure.Code();
        report.reason = failure.Description();
    }
    if (!report.alreadyReported) {
        ReportRun(code, report);
    }
    return static_cast<int>(code);
}

} // namespace Converter
