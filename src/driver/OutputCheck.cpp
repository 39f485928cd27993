#include "OutputCheck.h"

#include "AnsiText.h"
#include "Handle.h"

namespace Ardenfold_API {

DocumentState ReadDocumentState(const std::wstring& path)
{
    DocumentState state;
    try {
        std::string ansi = Global::ToAnsi(path);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (path.empty() || !::GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data)) {
            return state;
        }
        state.exists = true;
        state.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.lastWrite = data.ftLastWriteTime;
        state.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        // No access asked for and every sharing allowed: the look disturbs
        // nobody, the converter included.
        Global::FileHandle file(::CreateFileA(ansi.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION information{};
        if (file && ::GetFileInformationByHandle(file.Get(), &information)) {
            state.hasIdentity = true;
            state.volume = information.dwVolumeSerialNumber;
            state.index = (static_cast<ULONGLONG>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
        }
    } catch (...) {
        // The function's own trap: a path the code page cannot carry holds no document.
    }
    return state;
}

bool IsNewDocument(const DocumentState& before, const DocumentState& after)
{
    if (!after.exists || after.isFolder) {
        return false;
    }
    if (!before.exists || before.isFolder) {
        return true;
    }
    bool sameIdentity = !before.hasIdentity || !after.hasIdentity ||
                        (before.volume == after.volume && before.index == after.index);
    return ::CompareFileTime(&before.lastWrite, &after.lastWrite) != 0 || before.size != after.size || !sameIdentity;
}

} // namespace Ardenfold_API
