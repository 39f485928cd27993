#include "Spool.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "ConverterFolder.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace Converter {

using namespace Global;

namespace {

const std::wstring JobExtension = L".job";
const std::wstring TakenExtension = L".taken";

// Time of arrival in 100 ns steps, then a sequence number that only grows
// on a clash: zero-padded, so that the names sort as the jobs arrived.
std::wstring JobName(ULONGLONG arrival, unsigned sequence)
{
    wchar_t name[64];
    std::swprintf(name, 64, L"%020llu-%04u", arrival, sequence);
    return name + JobExtension;
}

// A job file is the header, the document's name in UTF-16LE, then the
// document's bytes as they were: "ArdenfoldJob1" and the name's length in
// code units as four little-endian bytes.
const std::string JobMagic = "ArdenfoldJob1";

std::string EncodeJob(const Job& job)
{
    std::string bytes = JobMagic;
    uint32_t units = static_cast<uint32_t>(job.documentName.size());
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((units >> shift) & 0xFF);
    }
    for (wchar_t unit : job.documentName) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    bytes.reserve(bytes.size() + job.document.size());
    bytes += job.document;
    return bytes;
}

} // namespace

Job ReadJob(const std::wstring& path)
{
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    size_t header = JobMagic.size() + 4;
    if (bytes.size() < header || bytes.compare(0, JobMagic.size(), JobMagic) != 0) {
        throw Failure(ExitCode::SpoolUnusable, L"The spooled file \"" + path + L"\" is not a print job.");
    }
    uint32_t units = 0;
    for (int i = 3; i >= 0; --i) {
        units = units << 8 | static_cast<unsigned char>(bytes[JobMagic.size() + i]);
    }
    if ((bytes.size() - header) / 2 < units) {
        throw Failure(ExitCode::SpoolUnusable, L"The print job \"" + path + L"\" is cut short.");
    }
    Job job;
    for (uint32_t i = 0; i < units; ++i) {
        job.documentName += static_cast<wchar_t>(static_cast<unsigned char>(bytes[header + 2 * i]) |
                                                 static_cast<unsigned char>(bytes[header + 2 * i + 1]) << 8);
    }
    job.document = bytes.substr(header + 2 * size_t{units});
    return job;
}

std::wstring TakenJob::Name() const
{
    return pendingPath.substr(pendingPath.find_last_of(L'\\') + 1);
}

Spool::Spool(const std::wstring& converterFolder) : folder_(converterFolder + L"\\Spool") {}

std::wstring Spool::AddJob(const Job& job) const
{
    MakeFolderTree(folder_);
    std::string ansiFolder = ToAnsi(folder_);
    char partName[MAX_PATH] = {};
    // Written under a name of its own first, so that a conversion never
    // picks up half a job.
    if (::GetTempFileNameA(ansiFolder.c_str(), "prt", 0, partName) == 0) {
        ThrowFailure(ExitCode::SpoolUnusable, L"No job could be made in the spool \"" + folder_ + L"\"",
                     ::GetLastError());
    }
    std::wstring part = FromAnsi(partName);
    ScopeExit removePart([&] { ::DeleteFileA(partName); });
    try {
        WriteFileBytes(part, EncodeJob(job));
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }

    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULONGLONG arrival = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    for (unsigned sequence = 0; sequence < 10000; ++sequence) {
        std::wstring job = folder_ + L"\\" + JobName(arrival, sequence);
        std::string ansiJob = ToAnsi(job);
        // Without MOVEFILE_REPLACE_EXISTING the move fails on a name taken by
        // a job that arrived at the same instant.
        if (::MoveFileExA(partName, ansiJob.c_str(), 0)) {
            removePart.Dismiss();
            return job;
        }
        DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) {
            ThrowFailure(ExitCode::SpoolUnusable, L"The job \"" + job + L"\" could not be stored", code);
        }
    }
    throw Failure(ExitCode::SpoolUnusable, L"The spool \"" + folder_ + L"\" has no free job name left.");
}

std::vector<std::wstring> Spool::Files(const std::wstring& extension) const
{
    MakeFolderTree(folder_);
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

int Spool::Clear() const
{
    int deleted = 0;
    for (const std::wstring& extension : {JobExtension, TakenExtension}) {
        for (const std::wstring& job : Files(extension)) {
            if (::DeleteFileA(ToAnsi(job).c_str())) {
                ++deleted;
            }
        }
    }
    return deleted;
}

} // namespace Converter
