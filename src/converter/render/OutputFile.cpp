#include "OutputFile.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "Handle.h"

#include <bcrypt.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace Converter {

using namespace Global;

namespace {

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
    SignalExchange::RemovePartialFiles(folder, outputName, [](DWORD owner) { return !ConverterRuns(owner); });
}

// A name nobody can guess, so that nobody can have put a file or a link
// there before this run makes it.
unsigned long long RandomMarker(const std::wstring& outputPath)
{
    unsigned long long marker = 0;
    NTSTATUS status = ::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&marker), sizeof marker,
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) {
        throw Failure(ExitCode::OutputNotWritable, L"The output file \"" + outputPath +
                                                       L"\" could not be written: the system gives no random number.");
    }
    return marker;
}

// The path as the native calls take it, for the rename by handle.
std::wstring NtPath(const std::wstring& full)
{
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) {
        return L"\\??\\" + full.substr(4);
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\??\\UNC\\" + full.substr(2);
    }
    return L"\\??\\" + full;
}

[[noreturn]] void ThrowNotWritten(const std::wstring& outputPath, const std::wstring& how, DWORD code)
{
    ThrowFailure(ExitCode::OutputNotWritable, L"The output file \"" + outputPath + L"\" could not be written" + how,
                 code);
}

} // namespace

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
    std::string longest = ToAnsi(PartialFileName(stem, 0xFFFFFFFF, 0));
    if (folder.size() + longest.size() >= MAX_PATH || longest.size() > MaxNameLength) {
        stem.clear();
    }
    RemoveDeadRunsPartialFiles(folder, stem);
    // Made new, never opened: a file or a link found under the name (which
    // another user who may write to the folder could have put there) fails
    // the run rather than being written through. DELETE for the rename and
    // the removal through the handle.
    std::string partial = folder + ToAnsi(PartialFileName(stem, ::GetCurrentProcessId(), RandomMarker(outputPath)));
    file_.Reset(::CreateFileA(partial.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_) {
        DWORD code = ::GetLastError();
        ThrowNotWritten(outputPath, L": no file can be made in its folder \"" + FromAnsi(folder) + L"\"", code);
    }
}

// Removed through its handle: nobody can have put another file under its
// name meanwhile, as with a removal by name after the close.
OutputFile::~OutputFile()
{
    if (!committed_ && file_) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        ::SetFileInformationByHandle(file_.Get(), FileDispositionInfo, &disposition, sizeof disposition);
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
// failing flush (a write-behind error on a share) fails the run. The rename
// goes through the handle held since the file was made, so it moves the
// file this run wrote, whatever has happened to its name.
void OutputFile::Commit()
{
    if (!::FlushFileBuffers(file_.Get())) {
        ThrowNotWritten(outputPath_, L" to the disk", ::GetLastError());
    }
    std::wstring target = NtPath(FromAnsi(full_));
    size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(target.begin(), target.end(), rename->FileName);
    if (!::SetFileInformationByHandle(file_.Get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        ThrowNotWritten(outputPath_, L"", ::GetLastError());
    }
    committed_ = true;
    // The output is in place by now, whole; a close that fails still fails
    // the run, as any step does.
    if (!::CloseHandle(file_.Release())) {
        ThrowNotWritten(outputPath_, L" to the disk", ::GetLastError());
    }
}

void WriteOutputFile(const std::wstring& outputPath, const std::string& bytes)
{
    OutputFile file(outputPath);
    file.Write(bytes);
    file.Commit();
}

} // namespace Converter
