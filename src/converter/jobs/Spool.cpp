#include "Spool.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "ConverterFolder.h"
#include "FolderSecurity.h"
#include "JobHeader.h"
#include "PostScriptConversion.h"
#include "SignalFileLocation.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace Converter {

using namespace Global;

namespace {

const std::wstring JobExtension = L".job";
const std::wstring TakenExtension = L".taken";
const std::wstring UnreleasedExtension = L".job.part";
const std::wstring RefusalExtension = L".refused";
const std::wstring WorkExtension = L".work";

ULONGLONG Now()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Time of arrival in 100 ns steps, then a sequence number that only grows
// on a clash: zero-padded, so that the names sort as the jobs arrived.
std::wstring ArrivalName(ULONGLONG arrival, unsigned sequence, const std::wstring& extension)
{
    wchar_t name[64];
    std::swprintf(name, 64, L"%020llu-%04u", arrival, sequence);
    return name + extension;
}

std::wstring UnreleasedName(ULONGLONG arrival, DWORD processId)
{
    wchar_t name[64];
    std::swprintf(name, 64, L"%020llu-%08lx", arrival, static_cast<unsigned long>(processId));
    return name + UnreleasedExtension;
}

// "<arrival>-<sequence>" then the extension, as ArrivalName makes it.
bool IsArrivalName(const std::wstring& name, const std::wstring& extension)
{
    if (name.size() != 20 + 1 + 4 + extension.size() || name[20] != L'-' ||
        name.compare(25, std::wstring::npos, extension) != 0) {
        return false;
    }
    for (size_t i = 0; i < 25; ++i) {
        if (i != 20 && !(name[i] >= L'0' && name[i] <= L'9')) {
            return false;
        }
    }
    return true;
}

// The process that wrote an unreleased job, read from its name; nothing when
// the name is not of that exact form (then it is no job of ours).
std::optional<DWORD> WriterOf(const std::wstring& name)
{
    if (name.size() != 20 + 1 + 8 + UnreleasedExtension.size() || name[20] != L'-' ||
        name.compare(29, std::wstring::npos, UnreleasedExtension) != 0) {
        return std::nullopt;
    }
    DWORD processId = 0;
    for (size_t i = 0; i < 29; ++i) {
        wchar_t c = name[i];
        if (i < 20 && !(c >= L'0' && c <= L'9')) {
            return std::nullopt;
        }
        if (i > 20) {
            int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            processId = processId << 4 | static_cast<DWORD>(digit);
        }
    }
    return processId;
}

// A process id can be used again: a live process of that id counts as the
// writer, and its job waits for a later clearing.
bool HasEnded(DWORD processId)
{
    KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    }
    return ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}

[[noreturn]] void ThrowNotWritten(const std::wstring& path, DWORD code)
{
    ThrowFailure(ExitCode::SpoolUnusable, L"The file \"" + path + L"\" could not be written", code);
}

void WriteAll(HANDLE file, const std::wstring& path, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            ThrowNotWritten(path, ::GetLastError());
        }
        if (written == 0) {
            ThrowNotWritten(path, ERROR_DISK_FULL);
        }
        bytes.remove_prefix(written);
    }
}

} // namespace

std::wstring TakenJob::Name() const
{
    return pendingPath.substr(pendingPath.find_last_of(L'\\') + 1);
}

std::wstring Spool::FolderFor(const std::wstring& signalFilePath)
{
    return SignalExchange::SpoolFolderFor(signalFilePath);
}

void Spool::UseFolder() const
{
    try {
        size_t parent = folder_.find_last_of(L'\\');
        if (parent != std::wstring::npos) {
            MakeFolderTree(folder_.substr(0, parent));
        }
        MakePrivateFolder(folder_);
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
}

UnreleasedJob Spool::WriteJob(const JobSource& source, const std::optional<FileIdentity>& documentFile) const
{
    UseFolder();
    UnreleasedJob written{folder_ + L"\\" + UnreleasedName(Now(), ::GetCurrentProcessId())};
    ScopeExit drop([&] { Drop(written); });
    {
        FileHandle file(::CreateFileA(ToAnsi(written.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            ThrowFailure(ExitCode::SpoolUnusable, L"The file \"" + written.path + L"\" could not be created",
                         ::GetLastError());
        }
        // The kind and encoding are known once the whole document has gone
        // by: they are written into the header last.
        WriteAll(file.Get(), written.path, EncodeJobHeader(source.documentName, JobKind{}, documentFile));
        for (std::string_view piece = source.nextPiece(); !piece.empty(); piece = source.nextPiece()) {
            WriteAll(file.Get(), written.path, piece);
        }
        JobKind kind = source.kind();
        LARGE_INTEGER at{};
        at.QuadPart = JobKindAt;
        if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) {
            ThrowNotWritten(written.path, ::GetLastError());
        }
        WriteAll(file.Get(), written.path,
                 EncodeJobHeader(source.documentName, kind, documentFile).substr(JobKindAt, JobKindBytes));
        if (!::CloseHandle(file.Release())) {
            ThrowNotWritten(written.path, ::GetLastError());
        }
    }
    drop.Dismiss();
    return written;
}

std::wstring Spool::MoveToArrivalName(const std::wstring& from, const std::wstring& extension) const
{
    ULONGLONG arrival = Now();
    std::string ansiFrom = ToAnsi(from);
    for (unsigned sequence = 0; sequence < 10000; ++sequence) {
        std::wstring name = ArrivalName(arrival, sequence, extension);
        // Without MOVEFILE_REPLACE_EXISTING the move fails on a name taken by
        // one that arrived at the same instant.
        if (::MoveFileExA(ansiFrom.c_str(), ToAnsi(folder_ + L"\\" + name).c_str(), 0)) {
            return name;
        }
        DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) {
            ThrowFailure(ExitCode::SpoolUnusable, L"The job \"" + from + L"\" could not be made ready in the spool", code);
        }
    }
    throw Failure(ExitCode::SpoolUnusable, L"The spool \"" + folder_ + L"\" has no free job name left.");
}

std::wstring Spool::Release(const UnreleasedJob& job) const
{
    return MoveToArrivalName(job.path, JobExtension);
}

void Spool::Drop(const UnreleasedJob& job) const noexcept
{
    try {
        ::DeleteFileA(ToAnsi(job.path).c_str());
    } catch (...) {
        // Left: the next clearing takes it, since its process has ended.
    }
}

void Spool::AddRefusal() const
{
    UseFolder();
    UnreleasedJob note{folder_ + L"\\" + UnreleasedName(Now(), ::GetCurrentProcessId())};
    ScopeExit drop([&] { Drop(note); });
    try {
        WriteFileBytes(note.path, {});
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    MoveToArrivalName(note.path, RefusalExtension);
    drop.Dismiss();
}

bool Spool::TakeRefusal() const
{
    for (const std::wstring& note : Files(RefusalExtension)) {
        if (::DeleteFileA(ToAnsi(note).c_str())) {
            return true;
        }
    }
    return false;
}

std::vector<std::wstring> Spool::Files(const std::wstring& extension) const
{
    UseFolder();
    std::string pattern = ToAnsi(folder_ + L"\\*" + extension);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) {
            return {};
        }
        ThrowFailure(ExitCode::SpoolUnusable, L"The spool \"" + folder_ + L"\" could not be read", code);
    }
    do {
        // The pattern also matches by short names ("x.jobs" is "X~1.JOB"):
        // only the long name decides.
        std::wstring name = FromAnsi(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
            names.push_back(name);
        }
    } while (::FindNextFileA(search.Get(), &found));
    std::sort(names.begin(), names.end());
    for (std::wstring& name : names) {
        name = folder_ + L"\\" + name;
    }
    return names;
}

std::vector<std::wstring> Spool::PendingJobs() const
{
    return Files(JobExtension);
}

TakenJob Spool::TakeOldestJob() const
{
    for (const std::wstring& pending : PendingJobs()) {
        TakenJob job{pending + TakenExtension, pending};
        if (::MoveFileExA(ToAnsi(job.pendingPath).c_str(), ToAnsi(job.path).c_str(), 0)) {
            return job;
        }
        DWORD code = ::GetLastError();
        // Another conversion took it in the meantime: the next one is the oldest now.
        if (code != ERROR_FILE_NOT_FOUND) {
            ThrowFailure(ExitCode::SpoolUnusable,
                         L"The print job \"" + pending + L"\" could not be taken for conversion (another program "
                         L"may hold it open); it stays in the spool, not converted",
                         code);
        }
    }
    throw Failure(ExitCode::NoPendingJob, L"No print job is waiting in the spool \"" + folder_ + L"\".");
}

void Spool::PutBack(const TakenJob& job) const noexcept
{
    try {
        ::MoveFileExA(ToAnsi(job.path).c_str(), ToAnsi(job.pendingPath).c_str(), 0);
    } catch (...) {
        // Left taken: it goes at the next clearing.
    }
}

void Spool::Remove(const TakenJob& job) const
{
    if (!::DeleteFileA(ToAnsi(job.path).c_str())) {
        ThrowFailure(ExitCode::SpoolUnusable, L"The converted print job \"" + job.path + L"\" could not be removed",
                     ::GetLastError());
    }
}

std::wstring WorkFolderOf(const std::wstring& takenJobPath)
{
    return takenJobPath + WorkExtension;
}

int Spool::Clear() const
{
    int deleted = 0;
    auto remove = [&](const std::wstring& path) {
        if (::DeleteFileA(ToAnsi(path).c_str())) {
            ++deleted;
        }
    };
    for (const std::wstring& extension : {JobExtension, TakenExtension, RefusalExtension}) {
        for (const std::wstring& path : Files(extension)) {
            remove(path);
        }
    }
    for (const std::wstring& path : Files(UnreleasedExtension)) {
        std::optional<DWORD> writer = WriterOf(path.substr(folder_.size() + 1));
        if (writer && HasEnded(*writer)) {
            remove(path);
        }
    }
    // A killed conversion's files made from its job; a folder of the user's
    // that merely ends so is not of our form and stays.
    const std::wstring workExtension = JobExtension + TakenExtension + WorkExtension;
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(ToAnsi(folder_ + L"\\*" + workExtension).c_str(), &found));
    if (search) {
        std::vector<std::wstring> folders;
        do {
            std::wstring name = FromAnsi(found.cFileName);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && IsArrivalName(name, workExtension)) {
                folders.push_back(folder_ + L"\\" + name);
            }
        } while (::FindNextFileA(search.Get(), &found));
        search.Reset();
        for (const std::wstring& path : folders) {
            if (RemoveWorkFolder(path)) {
                ++deleted;
            }
        }
    }
    return deleted;
}

} // namespace Converter
