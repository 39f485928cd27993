#include "SignalExchange.h"

#include "AnsiText.h"
#include "Deadline.h"
#include "Error.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "MessagePump.h"
#include "SignalFileLocation.h"
#include "UserMutex.h"

#include <windows.h>

namespace SignalExchange {

using namespace Global;

namespace {

// How long the release waits for another process that holds the marker.
constexpr DWORD MarkerHolderWaitMs = 2000;

bool IsHeld(const std::wstring& signalFilePath)
{
    std::wstring ignored;
    return IsFileLocked(signalFilePath, ignored);
}

// CREATE_NEW: a file that appeared meanwhile is never overwritten. Nothing is
// written through the handle.
bool TryCreateMarker(const std::wstring& signalFilePath)
{
    try {
        std::string ansi = ToAnsi(signalFilePath);
        FileHandle marker(::CreateFileA(ansi.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        return marker.IsValid();
    } catch (const Error&) {
        return false; // the function's own trap: a name the code page cannot carry is no marker
    }
}

// Watches the folder for names that come and go; no handle when it cannot be
// watched, and the wait then re-tests every pump interval.
ChangeNotificationHandle WatchFolderOf(const std::wstring& signalFilePath)
{
    size_t slash = signalFilePath.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? L"." : signalFilePath.substr(0, slash + 1);
    try {
        return ChangeNotificationHandle(
            ::FindFirstChangeNotificationA(ToAnsi(folder).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    } catch (const Error&) {
        return {};
    }
}

// The marker's identity, read through an open handle; nothing for a file
// that is no marker (not empty) or cannot be asked.
std::optional<MarkerIdentity> MarkerOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || information.nFileSizeLow != 0 ||
        information.nFileSizeHigh != 0) {
        return std::nullopt;
    }
    return MarkerIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow,
                          information.ftCreationTime, information.ftLastWriteTime};
}

// Without FILE_SHARE_DELETE, so that nobody else deletes or renames the
// marker while it is checked. A brief holder (a scanner, CommandLine.exe's
// own probe) is waited for a little; code receives the last failure.
FileHandle OpenToDelete(const std::wstring& signalFilePath, DWORD& code)
{
    std::string ansi = ToAnsi(signalFilePath);
    const Deadline deadline(MarkerHolderWaitMs);
    for (;;) {
        FileHandle file(::CreateFileA(ansi.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        code = file ? ERROR_SUCCESS : ::GetLastError();
        if (file || code != ERROR_SHARING_VIOLATION || deadline.HasPassed()) {
            return file;
        }
        ::Sleep(deadline.Slice(PumpInterval));
    }
}

bool DeleteOnClose(HANDLE file) noexcept
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

} // namespace

StaleFile ClearStaleFile(const std::wstring& signalFilePath)
{
    if (FileExists(signalFilePath)) {
        if (IsHeld(signalFilePath)) {
            return StaleFile::Held;
        }
        DeleteFileIfFree(signalFilePath);
    }
    return StaleFile::Cleared;
}

bool PlaceMarker(const std::wstring& signalFilePath)
{
    if (!FileExists(signalFilePath)) {
        return TryCreateMarker(signalFilePath);
    }
    if (IsHeld(signalFilePath)) {
        return true;
    }
    // A delete that fails leaves the file, and CREATE_NEW then fails on it.
    DeleteFileIfFree(signalFilePath);
    return TryCreateMarker(signalFilePath);
}

bool PlaceMarkerAgain(const std::wstring& signalFilePath)
{
    return FileExists(signalFilePath) || TryCreateMarker(signalFilePath);
}

MarkerWait WaitUntilMarkerTaken(const std::wstring& signalFilePath, std::chrono::milliseconds limit)
{
    const Deadline deadline(static_cast<DWORD>(limit.count()));
    ChangeNotificationHandle change;
    bool watching = false;
    for (;;) {
        if (!FileExists(signalFilePath)) {
            return MarkerWait::Taken;
        }
        if (FolderExists(signalFilePath) || deadline.HasPassed()) {
            return MarkerWait::GaveUp;
        }
        if (!watching) {
            // Only a marker still there is watched for (a watch costs more
            // than the whole test under Wine), and it is tested again once
            // the watch stands, so that no deletion slips in between.
            change = WatchFolderOf(signalFilePath);
            watching = true;
        } else if (!change) {
            PauseProcessingMessages(deadline.Slice(PumpInterval));
        } else if (WaitProcessingMessages(change.Get(), deadline.Slice(PumpInterval))) {
            ::FindNextChangeNotification(change.Get());
        }
    }
}

void HandOverPath(const std::wstring& signalFilePath, const std::wstring& outputPath)
{
    if (IsHeld(signalFilePath)) {
        return;
    }
    std::string content = ToAnsi(outputPath) + "\r\n";
    std::string ansi = ToAnsi(signalFilePath);
    FileHandle file(::CreateFileA(ansi.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ThrowSystemError(L"The signal file \"" + signalFilePath + L"\" could not be opened for writing",
                         ::GetLastError());
    }
    DWORD written = 0;
    if (!::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size()) {
        ThrowSystemError(L"The output path could not be written to the signal file \"" + signalFilePath + L"\"",
                         ::GetLastError());
    }
}

void RemoveIfFree(const std::wstring& signalFilePath)
{
    if (!FileExists(signalFilePath) || IsHeld(signalFilePath)) {
        return;
    }
    if (!::DeleteFileA(ToAnsi(signalFilePath).c_str())) {
        ThrowSystemError(L"The signal file \"" + signalFilePath + L"\" could not be deleted", ::GetLastError());
    }
}

void WithdrawMarker(const std::wstring& signalFilePath)
{
    DeleteFileIfFree(signalFilePath);
}

bool operator==(const MarkerIdentity& a, const MarkerIdentity& b) noexcept
{
    auto same = [](const FILETIME& x, const FILETIME& y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow &&
           same(a.created, b.created) && same(a.written, b.written);
}

std::wstring RunLockName(const std::wstring& signalFilePath)
{
    return UserMutexName(L"Ardenfold.CommandLine", signalFilePath);
}

bool RunInProgress(const std::wstring& signalFilePath) noexcept
{
    try {
        // Opened, never made: where no run ever took the lock there is none.
        KernelHandle lock(::OpenMutexW(SYNCHRONIZE, FALSE, RunLockName(signalFilePath).c_str()));
        if (!lock) {
            return false;
        }
        if (TakeMutex(lock.Get(), 0)) {
            ::ReleaseMutex(lock.Get());
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<MarkerIdentity> IdentifyMarker(const std::wstring& signalFilePath) noexcept
{
    try {
        // Attributes alone: whoever holds the marker open is not in the way.
        FileHandle file(::CreateFileA(ToAnsi(signalFilePath).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? MarkerOf(file.Get()) : std::nullopt;
    } catch (...) {
        return std::nullopt; // the function's own trap: the converter has no one to show an error to
    }
}

MarkerRelease ReleaseMarker(const std::wstring& signalFilePath, const MarkerIdentity& answered,
                            const std::function<void()>& handOver)
{
    FileHandle marker;
    DWORD code = ERROR_SUCCESS;
    try {
        marker = OpenToDelete(signalFilePath, code);
    } catch (...) {
        return MarkerRelease::Failed; // a name the code page cannot carry
    }
    if (!marker) {
        // A folder in its place is no marker either: the run has given up.
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || FolderExists(signalFilePath)) {
            return MarkerRelease::NotAnswered;
        }
        return code == ERROR_SHARING_VIOLATION ? MarkerRelease::Held : MarkerRelease::Failed;
    }
    std::optional<MarkerIdentity> found = MarkerOf(marker.Get());
    if (!found || !(*found == answered)) {
        return MarkerRelease::NotAnswered;
    }
    // Marked first, deleted when the handle closes: CommandLine.exe goes on
    // once it is gone, and the job is takeable by then. A failing handOver
    // still lets the run go on.
    if (!DeleteOnClose(marker.Get())) {
        return MarkerRelease::Failed;
    }
    handOver();
    return MarkerRelease::Released;
}

std::wstring ReadHandOverPath()
{
    return ReadHandOverPath(FindSignalFilePath());
}

std::wstring ReadHandOverPath(const std::wstring& signalFilePath)
{
    std::string bytes;
    try {
        bytes = ReadFileBytes(signalFilePath);
    } catch (const Error& error) {
        throw Error(L"No hand-over file: " + error.Description());
    }
    std::string line = bytes.substr(0, bytes.find_first_of("\r\n"));
    if (line.empty()) {
        throw Error(L"The hand-over file \"" + signalFilePath + L"\" names no output file.");
    }
    return FromAnsi(line);
}

} // namespace SignalExchange
