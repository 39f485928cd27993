#include "PrintedJob.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileProbes.h"
#include "OwnerOnly.h"

#include <windows.h>
#include <ntsecapi.h>

#include <algorithm>
#include <cstdio>

namespace SignalExchange {

using namespace Global;

namespace {

constexpr std::wstring_view PartExtension = L".job.part";
constexpr std::wstring_view FinishedExtension = L".job";

// A name nobody can guess ahead: another process in the folder (were it
// ever reachable) could not plant a file or link under it first.
std::wstring NewJobName()
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    unsigned long random = 0;
    if (!::RtlGenRandom(&random, sizeof random)) {
        throw Error(L"The system gave no random number for a printed job's name.");
    }
    unsigned long long arrival = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    char name[40];
    std::snprintf(name, sizeof name, "%016llx-%08lx-%08lx", arrival, ::GetCurrentProcessId(), random);
    return FromAnsi(name);
}

bool EndsWith(const std::wstring& text, std::wstring_view end)
{
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::wstring> JobsEndingIn(const std::wstring& folder, std::wstring_view extension)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(ToAnsi(folder + L"\\*").c_str(), &found));
    if (!search) {
        return names;
    }
    do {
        std::wstring name = FromAnsi(found.cFileName);
        // A job's own name is plain: a link or folder that someone placed
        // under such a name is never a job.
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
            EndsWith(name, extension) && name.size() == 34 + extension.size()) {
            names.push_back(name);
        }
    } while (::FindNextFileA(search.Get(), &found));
    std::sort(names.begin(), names.end());
    for (std::wstring& name : names) {
        name = folder + L"\\" + name;
    }
    return names;
}

void WriteAll(HANDLE file, std::string_view bytes, const std::wstring& path)
{
    while (!bytes.empty()) {
        DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) {
            ThrowSystemError(L"The printed job \"" + path + L"\" cannot be written", ::GetLastError());
        }
        bytes.remove_prefix(written);
    }
}

} // namespace

std::wstring PrintedJobsFolderFor(const std::wstring& signalFilePath)
{
    return signalFilePath.substr(0, signalFilePath.rfind(L'\\')) + L"\\Printed";
}

PrintedJobWriter::PrintedJobWriter(const std::wstring& folder, const std::optional<MarkerIdentity>& marker)
    : marker_(marker)
{
    std::wstring name = NewJobName();
    partPath_ = folder + L"\\" + name + std::wstring(PartExtension);
    finalPath_ = folder + L"\\" + name + std::wstring(FinishedExtension);
    OwnerOnlySecurity security;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.Descriptor(), FALSE};
    // Readable while it is written, so that a watcher can tell it is held;
    // never deletable or writable by anyone else meanwhile.
    file_.Reset(::CreateFileA(ToAnsi(partPath_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                              &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_) {
        ThrowSystemError(L"The printed job \"" + partPath_ + L"\" cannot be made", ::GetLastError());
    }
    WriteAll(file_.Get(), FormatPrintedJobHeader(marker_, {}), partPath_);
}

PrintedJobWriter::~PrintedJobWriter()
{
    if (!finished_ && file_) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        ::SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &disposition, sizeof disposition);
    }
}

void PrintedJobWriter::Refuse(const std::string& reason)
{
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_.Get())) {
        ThrowSystemError(L"The printed job \"" + partPath_ + L"\" cannot be emptied", ::GetLastError());
    }
    WriteAll(file_.Get(), FormatPrintedJobHeader(marker_, reason), partPath_);
    refused_ = true;
}

void PrintedJobWriter::Write(std::string_view bytes)
{
    if (refused_) {
        return;
    }
    written_ += bytes.size();
    if (written_ > MaxPrintedJobBytes) {
        Refuse("The printed job is larger than " + std::to_string(MaxPrintedJobBytes >> 20) +
               " MB, the most the printer takes. Nothing of it was kept.");
        return;
    }
    WriteAll(file_.Get(), bytes, partPath_);
}

void PrintedJobWriter::Finish()
{
    if (!::FlushFileBuffers(file_.Get())) {
        ThrowSystemError(L"The printed job \"" + partPath_ + L"\" cannot be written", ::GetLastError());
    }
    // Renamed through the handle that wrote it: there is no moment when the
    // job lies under its unfinished name unheld, which a watcher would take
    // for a job whose printing program was killed.
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + finalPath_.size() * sizeof(wchar_t));
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(finalPath_.size() * sizeof(wchar_t));
    std::copy(finalPath_.begin(), finalPath_.end(), rename->FileName);
    rename->FileName[finalPath_.size()] = L'\0';
    if (!::SetFileInformationByHandle(file_.Get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        ThrowSystemError(L"The printed job \"" + partPath_ + L"\" cannot be finished", ::GetLastError());
    }
    finished_ = true;
    file_.Reset();
}

std::vector<std::wstring> FinishedPrintedJobs(const std::wstring& folder)
{
    return JobsEndingIn(folder, FinishedExtension);
}

std::vector<std::wstring> UnfinishedPrintedJobs(const std::wstring& folder)
{
    return JobsEndingIn(folder, PartExtension);
}

} // namespace SignalExchange
