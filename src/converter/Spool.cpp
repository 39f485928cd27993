#include "Spool.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "SignalFileLocation.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace Converter {

using namespace Global;

namespace {

const std::wstring JobExtension = L".job";

void MakeFolderIfMissing(const std::wstring& path)
{
    if (!FolderExists(path)) {
        try {
            SignalExchange::MakeFolder(path);
        } catch (const Error& error) {
            // Another process may have made it in the meantime.
            if (!FolderExists(path)) {
                throw Failure(ExitCode::SpoolUnusable, error.Description());
            }
        }
    }
}

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

std::wstring SpoolFolder()
{
    char buffer[MAX_PATH] = {};
    HRESULT hr = ::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (FAILED(hr)) {
        ThrowFailure(ExitCode::SpoolUnusable, L"The local application-data folder could not be found",
                     static_cast<DWORD>(hr));
    }
    std::wstring folder = FromAnsi(buffer) + L"\\Marrowgate";
    MakeFolderIfMissing(folder);
    folder += L"\\Ardenfold";
    MakeFolderIfMissing(folder);
    folder += L"\\Spool";
    MakeFolderIfMissing(folder);
    return folder;
}

std::wstring AddJob(const Job& job)
{
    std::wstring folder = SpoolFolder();
    std::string ansiFolder = ToAnsi(folder);
    char partName[MAX_PATH] = {};
    // Written under a name of its own first, so that a conversion never
    // picks up half a job.
    if (::GetTempFileNameA(ansiFolder.c_str(), "prt", 0, partName) == 0) {
        ThrowFailure(ExitCode::SpoolUnusable, L"No job could be made in the spool \"" + folder + L"\"",
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
        std::wstring job = folder + L"\\" + JobName(arrival, sequence);
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
    throw Failure(ExitCode::SpoolUnusable, L"The spool \"" + folder + L"\" has no free job name left.");
}

std::vector<std::wstring> PendingJobs()
{
    std::wstring folder = SpoolFolder();
    std::string pattern = ToAnsi(folder + L"\\*" + JobExtension);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) {
            return {};
        }
        ThrowFailure(ExitCode::SpoolUnusable, L"The spool \"" + folder + L"\" could not be read", code);
    }
    do {
        // The pattern also matches by short names ("x.jobs" is "X~1.JOB"):
        // only the long name decides.
        std::wstring name = FromAnsi(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name.size() > JobExtension.size() &&
            name.compare(name.size() - JobExtension.size(), JobExtension.size(), JobExtension) == 0) {
            names.push_back(name);
        }
    } while (::FindNextFileA(search.Get(), &found));
    std::sort(names.begin(), names.end());
    for (std::wstring& name : names) {
        name = folder + L"\\" + name;
    }
    return names;
}

int ClearJobs()
{
    int deleted = 0;
    for (const std::wstring& job : PendingJobs()) {
        if (::DeleteFileA(ToAnsi(job).c_str())) {
            ++deleted;
        }
    }
    return deleted;
}

} // namespace Converter
