#include "OutputFile.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "Handle.h"

#include <algorithm>
#include <vector>

namespace Converter {

using namespace Global;

namespace {

constexpr wchar_t PartialInfix[] = L".PDFCreator-";
constexpr wchar_t PartialSuffix[] = L".partial";
// The longest file name (one path component) the usual file systems take.
constexpr size_t MaxNameLength = 255;

// The full form of a path, resolved against the current folder (which the
// converter inherits from whoever started it).
std::string FullPath(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    std::vector<char> buffer(MAX_PATH, '\0');
    char* filePart = nullptr;
    DWORD n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (n >= buffer.size()) {
        buffer.assign(n, '\0');
        n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    }
    if (n == 0 || n >= buffer.size()) {
        ThrowFailure(ExitCode::OutputNotWritable, L"The output path \"" + path + L"\" is not valid", ::GetLastError());
    }
    return std::string(buffer.data(), n);
}

std::wstring LastComponent(const std::wstring& path)
{
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// The image file name of a process, when it can be asked.
std::optional<std::wstring> ProcessImageName(HANDLE process)
{
    std::vector<char> buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (::QueryFullProcessImageNameA(process, 0, buffer.data(), &size)) {
            return LastComponent(FromAnsi(std::string(buffer.data(), size)));
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;
        }
        buffer.assign(buffer.size() * 4, '\0');
    }
    return std::nullopt;
}

std::wstring OwnImageName()
{
    std::optional<std::wstring> name = ProcessImageName(::GetCurrentProcess());
    return name ? *name : L"PDFCreator.exe";
}

// Whether a converter (a process of this program's name) runs under that id.
// Unsure counts as running: a partial file is removed only when its writer
// is known to be gone.
bool ConverterRuns(DWORD processId)
{
    if (processId == ::GetCurrentProcessId()) {
        return false; // this run has not made its own yet: an earlier run under a reused id did
    }
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        // No process has that id; any other reason (access) leaves it unsure.
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.Get(), &exitCode)) {
        return true;
    }
    if (exitCode != STILL_ACTIVE) {
        return false;
    }
    std::optional<std::wstring> image = ProcessImageName(process.Get());
    return !image || ::lstrcmpiW(image->c_str(), OwnImageName().c_str()) == 0;
}

// Partial files of this output whose converter was killed before it could
// rename or delete them. A file that cannot be deleted stays; it is no
// reason to fail this run.
void RemoveDeadRunsPartialFiles(const std::string& folder, const std::wstring& outputName)
{
    std::string pattern = folder + ToAnsi(outputName + PartialInfix) + "*" + ToAnsi(PartialSuffix);
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        return;
    }
    do {
        // The pattern also matches short (8.3) names and longer tails: the
        // long name itself must be of the exact form.
        std::optional<DWORD> owner = PartialFileOwner(FromAnsi(found.cFileName), outputName);
        if (owner && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !ConverterRuns(*owner)) {
            ::DeleteFileA((folder + found.cFileName).c_str());
        }
    } while (::FindNextFileA(search.Get(), &found));
}

[[noreturn]] void ThrowNotWritten(const std::wstring& outputPath, const std::wstring& how, DWORD code)
{
    ThrowFailure(ExitCode::OutputNotWritable, L"The output file \"" + outputPath + L"\" could not be written" + how,
                 code);
}

} // namespace

std::wstring PartialFileName(const std::wstring& outputName, DWORD processId)
{
    return outputName + PartialInfix + std::to_wstring(processId) + PartialSuffix;
}

std::optional<DWORD> PartialFileOwner(const std::wstring& fileName, const std::wstring& outputName)
{
    const std::wstring infix = PartialInfix;
    const std::wstring suffix = PartialSuffix;
    size_t head = outputName.size() + infix.size();
    if (fileName.size() <= head + suffix.size() ||
        ::lstrcmpiW(fileName.substr(0, head).c_str(), (outputName + infix).c_str()) != 0 ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    std::wstring digits = fileName.substr(head, fileName.size() - head - suffix.size());
    if (digits.size() > 10 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    unsigned long long id = std::stoull(digits);
    // Written by std::to_wstring: no leading zero, no value past a DWORD.
    if (id > 0xFFFFFFFFull || std::to_wstring(id) != digits) {
        return std::nullopt;
    }
    return static_cast<DWORD>(id);
}

OutputFile::OutputFile(const std::wstring& outputPath) : outputPath_(outputPath)
{
    full_ = FullPath(outputPath);
    size_t slash = full_.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == full_.size()) {
        throw Failure(ExitCode::OutputNotWritable, L"The output path \"" + outputPath + L"\" names no file.");
    }
    std::string folder = full_.substr(0, slash + 1);
    std::wstring outputName = FromAnsi(full_.substr(slash + 1));

    // Where the output's own name leaves no room for the suffix within the
    // path limit of the ANSI calls, the partial file goes without it; the
    // choice is the same for every run (the longest process id counts), so
    // the next run to this output finds what a killed one left.
    std::wstring stem = outputName;
    std::string longest = ToAnsi(PartialFileName(stem, 0xFFFFFFFF));
    if (folder.size() + longest.size() >= MAX_PATH || longest.size() > MaxNameLength) {
        stem.clear();
    }
    RemoveDeadRunsPartialFiles(folder, stem);
    partial_ = folder + ToAnsi(PartialFileName(stem, ::GetCurrentProcessId()));
    file_.Reset(::CreateFileA(partial_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    if (!file_) {
        DWORD code = ::GetLastError();
        ThrowNotWritten(outputPath, L": no file can be made in its folder \"" + FromAnsi(folder) + L"\"", code);
    }
}

OutputFile::~OutputFile()
{
    if (!committed_) {
        file_.Reset();
        ::DeleteFileA(partial_.c_str());
    }
}

void OutputFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file_.Get(), bytes.data(), chunk, &written, nullptr)) {
            ThrowNotWritten(outputPath_, L"", ::GetLastError());
        }
        if (written == 0) {
            ThrowNotWritten(outputPath_, L"", ERROR_DISK_FULL);
        }
        bytes.remove_prefix(written);
    }
}

// Every byte on the disk before the rename: the file is flushed, and a
// failing close (a write-behind error on a share) is a failure too.
void OutputFile::Commit()
{
    if (!::FlushFileBuffers(file_.Get())) {
        ThrowNotWritten(outputPath_, L" to the disk", ::GetLastError());
    }
    if (!::CloseHandle(file_.Release())) {
        ThrowNotWritten(outputPath_, L" to the disk", ::GetLastError());
    }
    if (!::MoveFileExA(partial_.c_str(), full_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowNotWritten(outputPath_, L"", ::GetLastError());
    }
    committed_ = true;
}

void WriteOutputFile(const std::wstring& outputPath, const std::string& bytes)
{
    OutputFile file(outputPath);
    file.Write(bytes);
    file.Commit();
}

} // namespace Converter
