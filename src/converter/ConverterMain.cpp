#include "ConverterMain.h"

#include "AnsiText.h"
#include "ConverterFolder.h"
#include "ConversionWatchdog.h"
#include "ConverterLog.h"
#include "DocumentFonts.h"
#include "DocumentError.h"
#include "DocumentKind.h"
#include "Handle.h"
#include "Limits.h"
#include "FileContent.h"
#include "FileIdentity.h"
#include "FileReader.h"
#include "OutputFile.h"
#include "PostScriptConversion.h"
#include "PrintWatcher.h"
#include "PrinterSetup.h"
#include "Rendering.h"
#include "SignalFile.h"
#include "Spool.h"
#include "TextDocument.h"
#include "UserMutex.h"
#include "UserPaper.h"

#include <windows.h>

#include <new>
#include <optional>

namespace Converter {

using namespace Global;

namespace {

bool IsSwitch(const std::wstring& argument, const wchar_t* name)
{
    return ::lstrcmpiW(argument.c_str(), name) == 0;
}

void ReportToStandardError(const std::wstring& description)
{
    HANDLE standardError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (standardError == nullptr || standardError == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string line = "PDFCreator: " + ToAnsiForDisplay(description) + "\r\n";
    DWORD written = 0;
    ::WriteFile(standardError, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool IsText(Document::DocumentKind kind)
{
    return kind == Document::DocumentKind::Text || kind == Document::DocumentKind::Utf16Text;
}

std::wstring TooLarge(const std::wstring& documentPath, unsigned long long size)
{
    return L"The document \"" + documentPath + L"\" (" + std::to_wstring(size >> 20) + L" MB) is larger than " +
           std::to_wstring(Document::Limits::kMaxDocumentBytes >> 20) + L" MB.";
}

// Copies the document into a job, unless it is missing, unreadable or
// refused: of no kind the converter takes (its head tells, before anything
// is spooled, or for a text any later byte that text never holds), or an
// image or PDF larger than the limit (its size tells before it is read). A
// text of any size is copied a piece at a time, its encoding found on the
// way.
UnreleasedJob SpoolDocument(const Spool& spool, const std::wstring& documentPath)
{
    auto unreadable = [](const Error& error) { return Failure(ExitCode::DocumentUnreadable, error.Description()); };
    std::optional<FileReader> file;
    std::string head;
    try {
        file.emplace(documentPath);
        head = file->ReadExactly(Document::DocumentSniffer::kHeadBytes);
    } catch (const Error& error) {
        throw unreadable(error);
    }
    Document::DocumentSniffer sniffer;
    sniffer.Add(head);
    if (!sniffer.HeadDecided()) {
        sniffer.Finish(); // the whole document was its head
    }
    auto refuseIfRefused = [&] {
        if (sniffer.Verdict().kind == Document::DocumentKind::Refused) {
            throw Failure(ExitCode::DocumentRefused,
                          L"The document \"" + documentPath + L"\" is refused: " + sniffer.Verdict().reason);
        }
    };
    refuseIfRefused();
    const bool text = IsText(sniffer.Verdict().kind);
    if (!text && file->Size() > Document::Limits::kMaxDocumentBytes) {
        throw Failure(ExitCode::DocumentRefused, TooLarge(documentPath, file->Size()));
    }
    unsigned long long copied = 0;
    bool headGiven = false;
    JobSource source{
        documentPath,
        [&]() -> std::string_view {
            std::string_view piece;
            if (!headGiven) {
                headGiven = true;
                piece = head;
            } else {
                try {
                    piece = file->Read(1u << 20);
                } catch (const Error& error) {
                    throw unreadable(error);
                }
                sniffer.Add(piece);
            }
            copied += piece.size();
            if (!text && copied > Document::Limits::kMaxDocumentBytes) {
                throw Failure(ExitCode::DocumentRefused, TooLarge(documentPath, copied)); // it grew meanwhile
            }
            return piece;
        },
        [&] {
            sniffer.Finish();
            refuseIfRefused();
            return text ? TextKind(sniffer.Verdict().kind, sniffer.Detected()) : JobKind{sniffer.Verdict().kind};
        }};
    return spool.WriteJob(source, file->Identity());
}

// Where a long conversion tells how far it has come, for whoever waits on
// it (the command has no console to show it): one line, "pages=<n>
// seconds=<elapsed>", rewritten about once a second and removed at the end.
class ProgressFile {
public:
    // The folder is asked for at the first report, by a text's conversion
    // alone: an image's never reports.
    ProgressFile() : started_(::GetTickCount64()) {}
    ~ProgressFile()
    {
        if (written_) {
            ::DeleteFileA(ToAnsi(path_).c_str());
        }
    }

    void Tell(size_t pages)
    {
        ULONGLONG now = ::GetTickCount64();
        if (now - last_ < 1000) {
            return;
        }
        if (!asked_) {
            asked_ = true;
            try {
                path_ = FindConverterFolder() + L"\\Conversion.progress";
            } catch (const Failure&) {
                // No folder for a log: nowhere to tell progress either.
            }
        }
        if (path_.empty()) {
            return;
        }
        last_ = now;
        try {
            WriteFileBytes(path_, "pages=" + std::to_string(pages) + " seconds=" + std::to_string((now - started_) / 1000) +
                                      "\r\n");
            written_ = true;
        } catch (const Error&) {
            // Progress is a courtesy: the conversion goes on without it.
        }
    }

private:
    std::wstring path_;
    ULONGLONG started_;
    ULONGLONG last_ = 0;
    bool asked_ = false;
    bool written_ = false;
};

// The exception in flight as the Failure it ends the run with: whatever
// became of the document, the marker is released first.
Failure CurrentFailure(const std::wstring& documentPath)
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure;
    } catch (const Error& error) {
        return Failure(ExitCode::UnexpectedError, error.Description());
    } catch (const std::bad_alloc&) {
        return Failure(ExitCode::DocumentRefused,
                       L"The document \"" + documentPath + L"\" does not fit in the converter's memory.");
    } catch (const std::exception& error) {
        return Failure(ExitCode::UnexpectedError, L"Unexpected error: " + FromAnsi(error.what()));
    } catch (...) {
        return Failure(ExitCode::UnexpectedError, L"Unexpected error.");
    }
}

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return now;
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

PrintRun BeginPrintRun(const std::wstring& signalFilePath)
{
    return PrintRun{signalFilePath, SignalExchange::IdentifyMarker(signalFilePath)};
}

ExitCode FinishPrintRun(const PrintRun& run, const Spool& spool, const std::wstring& documentPath,
                        RunReport& report)
{
    report.document = documentPath;
    std::optional<UnreleasedJob> job;
    std::optional<Failure> failure;
    try {
        // A standard that is not written is refused before the document is
        // read, the marker answered so that the caller waits no longer.
        RequestedStandard();
        job = SpoolDocument(spool, documentPath);
    } catch (...) {
        failure = CurrentFailure(documentPath);
    }
    return HandJobToRun(run, spool, std::move(job), std::move(failure), report);
}

ExitCode HandJobToRun(const PrintRun& run, const Spool& spool, std::optional<UnreleasedJob> job,
                      std::optional<Failure> failure, RunReport& report)
{
    ScopeExit drop([&] {
        if (job) {
            spool.Drop(*job);
        }
    });
    if (!run.marker) {
        if (failure) {
            throw *failure;
        }
        throw Failure(ExitCode::NoRunWaiting, L"No conversion waits for a print job: there was no marker \"" +
                                                  run.signalFilePath + L"\" when the print run began. The job was "
                                                  L"dropped.");
    }
    try {
        ReleaseAnsweredMarker(run.signalFilePath, *run.marker, [&] {
            if (job) {
                report.job = spool.Release(*job);
                job.reset();
            } else {
                spool.AddRefusal();
            }
        });
    } catch (...) {
        // The document's own failure says more than what became of the marker.
        if (failure) {
            throw *failure;
        }
        throw;
    }
    if (failure) {
        throw *failure;
    }
    report.done = L"taken";
    return ExitCode::Success;
}

ExitCode ClearCache(const Spool& spool, RunReport& report)
{
    int cleared = spool.Clear();
    if (cleared > 0) {
        report.done = L"cleared";
        report.reason = std::to_wstring(cleared) + L" pending job(s) dropped";
    }
    return ExitCode::Success;
}

ExitCode ConvertOldestJob(const Spool& spool, const std::wstring& signalFilePath, RunReport& report)
{
    std::wstring outputPath = ReadHandOverPath(signalFilePath);
    // Outside the document's error handling: a damaged font of the
    // program's own is no fault of the document.
    DocumentFonts fonts;
    TakenJob taken;
    try {
        taken = spool.TakeOldestJob();
    } catch (const Failure& failure) {
        // The print run refused the document and said why: nothing to add.
        if (failure.Code() == ExitCode::NoPendingJob && spool.TakeRefusal()) {
            report.alreadyReported = true;
        }
        throw;
    }
    report.job = taken.Name();
    ScopeExit putBack([&] { spool.PutBack(taken); });
    JobHeader header = ReadJobHeader(taken.path);
    report.document = header.documentName;
    // The print run has gone by the time the output path is handed over, so
    // the conversion is where the two meet: by the file's identity, not its
    // name, so that no other spelling, short name, hard link or drive letter
    // turns the conversion into the loss of its own document.
    if (header.documentFile && IdentityOfPath(outputPath) == header.documentFile) {
        throw Failure(ExitCode::OutputNotWritable,
                      L"The output file '" + outputPath + L"' is the document being converted (\"" +
                          header.documentName + L"\"): its PDF would replace it. Nothing was written; choose "
                          L"another output path.");
    }
    // A conversion that never ends would hold its caller for good.
    ConversionWatchdog watchdog(report);
    RenderedDocument rendered;
    if (header.kind.kind == Document::DocumentKind::PostScript) {
        rendered = ConvertPostScriptJob(taken.path, header);
        WriteOutputFile(outputPath, rendered.pdf);
    } else if (IsText(header.kind.kind)) {
        // Written as it is laid out: the output is opened first.
        OutputFile output(outputPath);
        ProgressFile progress;
        try {
            rendered = RenderTextJob(
                taken.path, header, UserPaperSize(), Now(), fonts, [&](std::string_view bytes) { output.Write(bytes); },
                [&](size_t pages) { progress.Tell(pages); });
        } catch (const Document::DocumentError& error) {
            throw Failure(ExitCode::DocumentRefused, error.Description());
        } catch (const Failure&) {
            throw;
        } catch (const Error& error) {
            throw Failure(ExitCode::SpoolUnusable, error.Description());
        }
        output.Commit();
    } else {
        Job job = ReadJob(taken.path);
        try {
            rendered = RenderDocument(job, UserPaperSize(), Now(), fonts);
        } catch (const Document::DocumentError& error) {
            throw Failure(ExitCode::DocumentRefused, error.Description());
        }
        WriteOutputFile(outputPath, rendered.pdf);
    }
    putBack.Dismiss();
    report.done = L"converted";
    report.reason = rendered.summary + L" to \"" + outputPath + L"\"";
    report.replacedCharacters = rendered.replacedCharacters;
    report.replacedByScript = rendered.replacedByScript;
    try {
        spool.Remove(taken);
    } catch (const Failure& failure) {
        // Taken, so never converted again: the document is where it belongs.
        report.reason += L"; " + failure.Description() + L" (it stays taken until the cache is cleared)";
    }
    return ExitCode::Success;
}

std::wstring Outcome(ExitCode code, const std::wstring& done)
{
    switch (code) {
    case ExitCode::Success:
        return done;
    case ExitCode::DocumentRefused:
        return L"refused";
    case ExitCode::DocumentUnreadable:
        return L"unreadable";
    default:
        return L"failed";
    }
}

int Main(const std::vector<std::wstring>& arguments)
{
    RunReport report;
    ExitCode code = ExitCode::UnexpectedError;
    try {
        code = Run(arguments, report);
    } catch (const Failure& failure) {
        code = failure.Code();
        report.reason = failure.Description();
    } catch (const Error& error) {
        report.reason = error.Description();
    } catch (const std::bad_alloc&) {
        report.reason = L"The converter ran out of memory.";
    } catch (const std::exception& error) {
        report.reason = FromAnsi(error.what());
    }
    if (!report.alreadyReported) {
        ReportRun(code, report);
    }
    return static_cast<int>(code);
}

void ReportRun(ExitCode code, const RunReport& report)
{
    if (code != ExitCode::Success) {
        ReportToStandardError(report.reason);
    }
    std::wstring outcome = Outcome(code, report.done);
    if (outcome.empty()) {
        return;
    }
    // The log's folder is asked for only now: a run that cannot have a log
    // still does its work and tells its standard error why it failed.
    std::wstring converterFolder;
    try {
        converterFolder = FindConverterFolder();
    } catch (const Failure& failure) {
        ReportToStandardError(L"No log line is written: " + failure.Description());
        return;
    }
    WriteLog(converterFolder, {report.job, report.document, outcome, report.reason, report.replacedCharacters,
                               report.replacedByScript});
}

} // namespace Converter
