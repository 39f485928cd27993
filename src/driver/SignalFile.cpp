#include "SignalFile.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileProbes.h"
#include "Handle.h"
#include "MessagePump.h"

#include <algorithm>

namespace Ardenfold_API {

using namespace Global;

bool CreateMarker(const std::wstring& signalFilePath)
{
    try {
        std::string ansi = ToAnsi(signalFilePath);
        FileHandle marker(::CreateFileA(ansi.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        return marker.IsValid();
    } catch (const Error&) {
        return false;
    }
}

void WriteHandOver(const std::wstring& signalFilePath, const std::wstring& outputPath)
{
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

void RemoveSignalFileIfFree(const std::wstring& signalFilePath)
{
    std::wstring ignored;
    if (!FileExists(signalFilePath) || IsFileLocked(signalFilePath, ignored)) {
        return;
    }
    if (!::DeleteFileA(ToAnsi(signalFilePath).c_str())) {
        ThrowSystemError(L"The signal file \"" + signalFilePath + L"\" could not be deleted", ::GetLastError());
    }
}

MarkerWait WaitForMarkerRemoval(const std::wstring& signalFilePath, std::chrono::milliseconds limit)
{
    // Watch the folder before the first test, so that no deletion can slip
    // between the test and the start of the watch. The re-test every pump
    // interval covers folders that cannot be watched.
    size_t slash = signalFilePath.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? L"." : signalFilePath.substr(0, slash + 1);
    ChangeNotificationHandle change;
    try {
        change.Reset(::FindFirstChangeNotificationA(ToAnsi(folder).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
    } catch (const Error&) {
    }

    const ULONGLONG start = ::GetTickCount64();
    const auto limitMs = static_cast<ULONGLONG>(limit.count());
    for (;;) {
        if (!FileExists(signalFilePath)) {
            return MarkerWait::Removed;
        }
        if (FolderExists(signalFilePath)) {
            return MarkerWait::GaveUp;
        }
        ULONGLONG elapsed = ::GetTickCount64() - start;
        if (elapsed >= limitMs) {
            return MarkerWait::GaveUp;
        }
        DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(PumpInterval, limitMs - elapsed));
        if (change && WaitProcessingMessages(change.Get(), slice)) {
            ::FindNextChangeNotification(change.Get());
        } else if (!change) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
            ProcessPendingMessages();
        }
    }
}

} // namespace Ardenfold_API
