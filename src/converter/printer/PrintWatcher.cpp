#include "PrintWatcher.h"

#include "AnsiText.h"
#include "PrintRun.h"
#include "Deadline.h"
#include "FileProbes.h"
#include "FolderSecurity.h"
#include "Handle.h"
#include "OwnerOnly.h"
#include "PrintedJob.h"
#include "ProcessStart.h"
#include "Spool.h"
#include "SystemLocations.h"
#include "UserMutex.h"

#include <optional>
#include <set>

namespace Converter {

using namespace Global;
using SignalExchange::PrintedJobHeader;

namespace {

constexpr DWORD HeadBytes = 4096;
constexpr DWORD TailBytes = 64;

// A job file opened by this process alone, so that nobody holds it, and
// with the right to delete it through this handle. None while another
// process holds it: the port monitor still writing it, or a reader.
FileHandle OpenJobAlone(const std::wstring& path)
{
    return FileHandle(::CreateFileA(ToAnsi(path).c_str(), GENERIC_READ | DELETE | READ_CONTROL, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
}

std::string ReadAt(HANDLE file, unsigned long long offset, DWORD size)
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::ReadFile(file, bytes.data(), size, &read, nullptr)) {
        ThrowSystemError(L"A printed job cannot be read", ::GetLastError());
    }
    bytes.resize(read);
    return bytes;
}

unsigned long long SizeOf(HANDLE file)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        ThrowSystemError(L"A printed job's size cannot be read", ::GetLastError());
    }
    return static_cast<unsigned long long>(size.QuadPart);
}

bool IsPlainFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileInformationByHandle(file, &information) &&
           (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool DeleteThroughHandle(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// The job's bytes go into the spool a piece at a time: a job of any size
// up to the port's limit costs the watcher a piece's memory.
std::optional<UnreleasedJob> SpoolPrintedJob(const Spool& spool, HANDLE file, unsigned long long offset,
                                             const std::wstring& title)
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
        ThrowSystemError(L"A printed job cannot be read", ::GetLastError());
    }
    std::string piece(1u << 20, '\0');
    return spool.WriteJob(JobSource{title,
                                    [&]() -> std::string_view {
                                        DWORD read = 0;
                                        if (!::ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()),
                                                        &read, nullptr)) {
                                            ThrowSystemError(L"A printed job cannot be read", ::GetLastError());
                                        }
                                        return std::string_view(piece.data(), read);
                                    },
                                    [] { return JobKind{Document::DocumentKind::PostScript}; }});
}

// What becomes of one job that nobody holds: it goes to the run whose
// marker it names, as a job or as that run's refusal, or it is dropped.
// The job is in the spool before its file goes.
ExitCode TakeJob(const std::wstring& signalFilePath, const Spool& spool, const std::wstring& path, HANDLE file,
                 bool finished, RunReport& report)
{
    report.document = L"printed document";
    if (!IsPlainFile(file) || !CurrentUsersAlone(file)) {
        DeleteThroughHandle(file);
        throw Failure(ExitCode::NoRunWaiting, L"The printed job \"" + path +
                                                  L"\" is not this user's own (another owner, or a link). It was "
                                                  L"dropped unread.");
    }
    unsigned long long size = SizeOf(file);
    std::optional<PrintedJobHeader> header = SignalExchange::ParsePrintedJobHeader(ReadAt(file, 0, HeadBytes));
    PrintRun run{signalFilePath, header ? header->marker : std::nullopt};
    std::optional<Failure> failure;
    std::optional<UnreleasedJob> job;
    if (!header) {
        failure = Failure(ExitCode::DocumentRefused, L"The printed job \"" + path +
                                                         L"\" has no header of the printer's port. It was dropped.");
    } else if (!header->refusal.empty()) {
        failure = Failure(ExitCode::DocumentRefused, header->refusal);
    } else {
        std::string prolog = ReadAt(file, header->bodyOffset, 64 * 1024);
        std::wstring title = PostScriptTitle(prolog);
        report.document = title.empty() ? L"printed document" : title;
        unsigned long long body = size - header->bodyOffset;
        std::string tail = ReadAt(file, size - std::min<unsigned long long>(TailBytes, body), TailBytes);
        if (!finished || !IsCompletePostScript(tail)) {
            failure = Failure(ExitCode::DocumentRefused,
                              L"The printed job is cut short (" + std::to_wstring(body) +
                                  L" bytes, no \"%%EOF\"): its printing program stopped half-way. The job was "
                                  L"dropped.");
        } else if (run.marker) {
            try {
                job = SpoolPrintedJob(spool, file, header->bodyOffset, report.document);
            } catch (const Failure& spoolFailure) {
                failure = spoolFailure;
            } catch (const Error& error) {
                failure = Failure(ExitCode::SpoolUnusable, error.Description());
            }
        }
    }
    if (!DeleteThroughHandle(file)) {
        DWORD code = ::GetLastError();
        if (job) {
            spool.Drop(*job);
            job.reset();
        }
        failure = Failure(ExitCode::SpoolUnusable, L"The printed job \"" + path + L"\" cannot be deleted (" +
                                                       SystemMessage(code) +
                                                       L"), so it could be taken twice. It was dropped.");
    }
    return HandJobToRun(run, spool, std::move(job), std::move(failure), report);
}

} // namespace

std::wstring PreparePrintedJobsFolder(const std::wstring& signalFilePath)
{
    std::wstring folder = SignalExchange::PrintedJobsFolderFor(signalFilePath);
    try {
        MakePrivateFolder(folder);
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description() + L" No printed job is taken through it.");
    }
    return folder;
}

void WatchPrintedJobs(const std::wstring& signalFilePath, const Spool& spool, const WatchLimits& limits,
                      const WatchControl& control)
{
    const std::wstring folder = SignalExchange::PrintedJobsFolderFor(signalFilePath);
    Deadline idle(limits.idleMilliseconds);
    for (;;) {
        if (control.printerRemoved()) {
            return;
        }
        std::vector<std::wstring> finished = SignalExchange::FinishedPrintedJobs(folder);
        std::vector<std::wstring> unfinished = SignalExchange::UnfinishedPrintedJobs(folder);
        if (!finished.empty() || !unfinished.empty() || SignalExchange::IdentifyMarker(signalFilePath) ||
            control.runInProgress()) {
            idle = Deadline(limits.idleMilliseconds);
        } else if (idle.HasPassed()) {
            if (control.mayEnd()) {
                return;
            }
            idle = Deadline(limits.idleMilliseconds);
        }
        // An unfinished job that nobody holds lost its writer: the printing
        // program was killed half-way.
        for (const auto& [jobs, whole] : {std::pair{&finished, true}, std::pair{&unfinished, false}}) {
            for (const std::wstring& path : *jobs) {
                FileHandle file = OpenJobAlone(path);
                if (!file) {
                    continue; // still written, or held a moment by a reader
                }
                RunReport done;
                ExitCode code = ExitCode::Success;
                try {
                    code = TakeJob(signalFilePath, spool, path, file.Get(), whole, done);
                } catch (const Failure& failure) {
                    code = failure.Code();
                    done.reason = failure.Description();
                } catch (...) {
                    Failure failure = CurrentFailure(done.document);
                    code = failure.Code();
                    done.reason = failure.Description();
                    DeleteThroughHandle(file.Get());
                }
                file.Reset();
                control.report(code, done);
            }
        }
        ::Sleep(limits.pollMilliseconds);
    }
}

std::wstring WatcherMutexName(const std::wstring& signalFilePath)
{
    return UserMutexName(L"Ardenfold.PrintWatcher", signalFilePath);
}

std::wstring WatcherStartMutexName(const std::wstring& signalFilePath)
{
    return UserMutexName(L"Ardenfold.PrintWatcherStart", signalFilePath);
}

namespace {

// A run that finds a watcher leaves this note in the printed jobs folder;
// a watcher about to end takes it and watches on instead.
std::wstring WantedNote(const std::wstring& signalFilePath)
{
    return SignalExchange::PrintedJobsFolderFor(signalFilePath) + L"\\watcher.wanted";
}

KernelHandle LockStart(const std::wstring& signalFilePath)
{
    KernelHandle start;
    try {
        start = OpenUserMutex(WatcherStartMutexName(signalFilePath));
    } catch (const UserMutexRefused& refused) {
        throw Failure(ExitCode::UnexpectedError, L"The print watcher's start lock cannot be had: " +
                                                     refused.Description());
    }
    if (!TakeMutex(start.Get(), 10'000)) {
        throw Failure(ExitCode::UnexpectedError, L"The print watcher's start lock was not free within 10 s.");
    }
    return start;
}

} // namespace

KernelHandle TakeWatcherLock(const std::wstring& signalFilePath)
{
    KernelHandle lock;
    try {
        lock = OpenUserMutex(WatcherMutexName(signalFilePath));
    } catch (const UserMutexRefused& refused) {
        throw Failure(ExitCode::UnexpectedError, L"The print watcher's lock cannot be had: " + refused.Description());
    }
    return TakeMutex(lock.Get(), 0) ? std::move(lock) : KernelHandle();
}

void EnsureWatcher(const std::wstring& signalFilePath)
{
    KernelHandle start = LockStart(signalFilePath);
    ScopeExit unlock([&] { ::ReleaseMutex(start.Get()); });
    KernelHandle watcher = TakeWatcherLock(signalFilePath);
    if (!watcher) {
        // One watches, and cannot end before it has read this note.
        FileHandle note(::CreateFileA(ToAnsi(WantedNote(signalFilePath)).c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!note) {
            ThrowFailure(ExitCode::SpoolUnusable, L"The print watcher cannot be asked to stay", ::GetLastError());
        }
        return;
    }
    ::ReleaseMutex(watcher.Get());
    watcher.Reset();
    std::wstring folder = GetProgramFolder();
    ProcessStart launch;
    launch.program = folder + L"\\PDFCreator.exe";
    launch.commandLine = L"\"" + launch.program + L"\" /Watch";
    // No handle inherited, and the program's folder as its current one: the
    // watcher outlives the run, and must hold none of the caller's things.
    launch.currentFolder = folder;
    launch.creationFlags = CREATE_NO_WINDOW | DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;
    StartedProcess started = StartProcess(launch);
    if (!started.process) {
        ThrowFailure(ExitCode::UnexpectedError, L"The print watcher \"" + launch.program + L"\" cannot be started",
                     started.error);
    }
}

WatcherEnd::WatcherEnd(const std::wstring& signalFilePath) : signalFilePath_(signalFilePath) {}

bool WatcherEnd::MayEnd()
{
    start_ = LockStart(signalFilePath_);
    if (::DeleteFileA(ToAnsi(WantedNote(signalFilePath_)).c_str())) {
        ::ReleaseMutex(start_.Get());
        start_.Reset();
        return false;
    }
    return true;
}

WatcherEnd::~WatcherEnd()
{
    if (start_) {
        ::ReleaseMutex(start_.Get());
    }
}

} // namespace Converter
