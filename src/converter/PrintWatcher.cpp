#include "PrintWatcher.h"

#include "AnsiText.h"
#include "ConverterMain.h"
#include "Deadline.h"
#include "FileProbes.h"
#include "Handle.h"
#include "Spool.h"
#include "SystemLocations.h"
#include "UserMutex.h"

#include <optional>

namespace Converter {

using namespace Global;

namespace {

enum class PortState { NoJob, Writing, Arrived };

// The port file opened by this process alone, so that no printing process
// still writes it, and with the right to delete it through this handle.
struct PortJob {
    FileHandle file;
    std::string bytes;
};

PortState OpenPortJob(const std::wstring& portPath, PortJob& job)
{
    job.file.Reset(::CreateFileA(ToAnsi(portPath).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!job.file) {
        DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? PortState::NoJob : PortState::Writing;
    }
    job.bytes.clear();
    char buffer[64 * 1024];
    DWORD read = 0;
    while (::ReadFile(job.file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        job.bytes.append(buffer, read);
    }
    return PortState::Arrived;
}

// Deleted through the handle that read it: a job that a printing process
// starts meanwhile waits for the handle and then starts a new file.
bool DeletePortJob(PortJob& job)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    bool marked = ::SetFileInformationByHandle(job.file.Get(), FileDispositionInfo, &disposition,
                                               sizeof disposition) != FALSE;
    job.file.Reset();
    return marked;
}

ExitCode HandOver(const PrintRun& run, const Spool& spool, const std::string& postScript, RunReport& report)
{
    std::wstring title = PostScriptTitle(postScript);
    report.document = title.empty() ? L"printed document" : title;
    std::optional<UnreleasedJob> job;
    std::optional<Failure> failure;
    try {
        bool given = false;
        job = spool.WriteJob(JobSource{report.document,
                                       [&]() -> std::string_view {
                                           std::string_view piece = given ? std::string_view() : postScript;
                                           given = true;
                                           return piece;
                                       },
                                       [] { return JobKind{Document::DocumentKind::PostScript}; }});
    } catch (const Failure& spoolFailure) {
        failure = spoolFailure;
    }
    return HandJobToRun(run, spool, std::move(job), std::move(failure), report);
}

} // namespace

bool IsCompletePostScript(std::string_view bytes)
{
    size_t end = bytes.find_last_not_of(" \t\r\n\x04");
    constexpr std::string_view eof = "%%EOF";
    return end != std::string_view::npos && end + 1 >= eof.size() &&
           bytes.substr(end + 1 - eof.size(), eof.size()) == eof;
}

std::wstring PostScriptTitle(std::string_view bytes)
{
    constexpr std::string_view key = "\n%%Title:";
    std::string_view prolog = bytes.substr(0, 64 * 1024);
    size_t at = prolog.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    size_t start = prolog.find_first_not_of(' ', at + key.size());
    size_t end = prolog.find_first_of("\r\n", at + key.size());
    if (start == std::string_view::npos || end == std::string_view::npos || start >= end) {
        return {};
    }
    std::string_view title = prolog.substr(start, end - start);
    if (title.size() >= 2 && title.front() == '(' && title.back() == ')') {
        title = title.substr(1, title.size() - 2);
    }
    try {
        return FromAnsi(std::string(title));
    } catch (const Error&) {
        return {};
    }
}

bool DropLeftJob(const std::wstring& portPath) noexcept
{
    try {
        PortJob job;
        return OpenPortJob(portPath, job) == PortState::Arrived && DeletePortJob(job);
    } catch (...) {
        return false;
    }
}

std::wstring WatcherMutexName(const std::wstring& signalFilePath)
{
    return UserMutexName(L"Ardenfold.PrintWatcher", signalFilePath);
}

void WatchPrinterPort(const std::wstring& portPath, const std::wstring& signalFilePath, const Spool& spool,
                      const WatchLimits& limits, const std::function<void(ExitCode, const RunReport&)>& report)
{
    Deadline idle(limits.idleMilliseconds);
    // The run a job prints for: the one whose marker stood when the job was
    // first seen at the port.
    std::optional<PrintRun> run;
    std::string unfinished;
    std::optional<Deadline> unfinishedSince;
    std::optional<Deadline> unclaimedSince;
    for (;;) {
        if (!FileExists(portPath)) {
            run.reset();
            // The printer was removed (an uninstaller waits for this program's file).
            if (!FolderExists(portPath.substr(0, portPath.rfind(L'\\')))) {
                return;
            }
            if (SignalExchange::IdentifyMarker(signalFilePath)) {
                idle = Deadline(limits.idleMilliseconds);
            } else if (idle.HasPassed()) {
                return;
            }
            ::Sleep(limits.pollMilliseconds);
            continue;
        }
        idle = Deadline(limits.idleMilliseconds);
        if (!run) {
            run = BeginPrintRun(signalFilePath);
            unclaimedSince.emplace(limits.unclaimedMilliseconds);
        }
        // A job that no run of this watcher's waits for may be another
        // watcher's (another signal file's): it is left to that one for a
        // while, unopened, before it is dropped.
        if (!run->marker && !unclaimedSince->HasPassed()) {
            ::Sleep(limits.pollMilliseconds);
            continue;
        }
        PortJob job;
        PortState state = OpenPortJob(portPath, job);
        if (state == PortState::NoJob) {
            run.reset(); // another watcher took it
            continue;
        }
        if (state == PortState::Writing) {
            ::Sleep(limits.pollMilliseconds);
            continue;
        }
        if (!IsCompletePostScript(job.bytes)) {
            if (!unfinishedSince || job.bytes != unfinished) {
                unfinished = job.bytes;
                unfinishedSince.emplace(limits.unfinishedMilliseconds);
            }
            if (!unfinishedSince->HasPassed()) {
                job.file.Reset();
                ::Sleep(limits.pollMilliseconds);
                continue;
            }
        }
        bool complete = IsCompletePostScript(job.bytes);
        unfinished.clear();
        unfinishedSince.reset();
        std::string postScript = std::move(job.bytes);
        bool deleted = DeletePortJob(job);
        RunReport done;
        ExitCode code = ExitCode::Success;
        try {
            if (!deleted) {
                // Its run still hears of it: the marker goes with a refusal.
                HandJobToRun(*run, spool, std::nullopt,
                             Failure(ExitCode::SpoolUnusable, L"The printer's port file \"" + portPath +
                                                                  L"\" cannot be deleted, so no job could be told "
                                                                  L"from the next. The job was dropped."),
                             done);
            } else if (!complete) {
                done.document = PostScriptTitle(postScript);
                HandJobToRun(*run, spool, std::nullopt,
                             Failure(ExitCode::DocumentRefused,
                                     L"The printed job in \"" + portPath + L"\" is cut short (" +
                                         std::to_wstring(postScript.size()) +
                                         L" bytes, no \"%%EOF\"): its printing program stopped half-way. The job "
                                         L"was dropped."),
                             done);
            } else {
                code = HandOver(*run, spool, postScript, done);
            }
        } catch (const Failure& failure) {
            code = failure.Code();
            done.reason = failure.Description();
        } catch (const Error& error) {
            code = ExitCode::UnexpectedError;
            done.reason = error.Description();
        }
        run.reset();
        report(code, done);
    }
}

bool StartWatcher(const std::wstring& signalFilePath) noexcept
{
    try {
        KernelHandle mutex = OpenUserMutex(WatcherMutexName(signalFilePath));
        DWORD wait = ::WaitForSingleObject(mutex.Get(), 0);
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
            return true; // one watches already
        }
        ::ReleaseMutex(mutex.Get());
        std::string program = ToAnsi(GetProgramFolder() + L"\\PDFCreator.exe");
        std::string commandLine = "\"" + program + "\" /Watch";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        // No handle inherited: a caller that reads this run's output must not
        // wait for the watcher too.
        if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_NO_WINDOW | DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                              &startup, &started)) {
            return false;
        }
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Converter
