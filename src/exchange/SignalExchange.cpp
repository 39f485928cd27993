#include "SignalExchange.h"

#include "AnsiText.h"
#include "Deadline.h"
#include "Error.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "MessagePump.h"
#include "SignalFileLocation.h"

#include <windows.h>

namespace SignalExchange {

using namespace Global;

namespace {

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

MarkerRelease ReleaseMarker() noexcept
{
    try {
        return ReleaseMarker(FindSignalFilePath());
    } catch (...) {
        return MarkerRelease::Failed; // the function's own trap: the converter has no one to show an error to
    }
}

MarkerRelease ReleaseMarker(const std::wstring& signalFilePath) noexcept
{
    try {
        if (!FileExists(signalFilePath)) {
            return MarkerRelease::NoMarker;
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExA(ToAnsi(signalFilePath).c_str(), GetFileExInfoStandard, &data)) {
            return MarkerRelease::Failed;
        }
        // Only an empty file is a marker: a hand-over file is left alone.
        if (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0 || IsHeld(signalFilePath)) {
            return MarkerRelease::NoMarker;
        }
        return DeleteFileIfFree(signalFilePath) ? MarkerRelease::Released : MarkerRelease::Failed;
    } catch (...) {
        return MarkerRelease::Failed; // the function's own trap, as above
    }
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
