#include "OutputCheck.h"

#include "AnsiText.h"
#include "Handle.h"
#include "PartialFile.h"

#include <vector>

namespace Ardenfold_API {

namespace {

// Existence, kind, last-write time and size: one call by name.
DocumentState ReadByName(const std::string& ansi)
{
    DocumentState state;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data)) {
        state.exists = true;
        state.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.lastWrite = data.ftLastWriteTime;
        state.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return state;
}

// The file's volume and index, when the file system gives them. No access
// is asked for and every sharing allowed: the look disturbs nobody.
void ReadIdentity(const std::string& ansi, DocumentState& state)
{
    Global::FileHandle file(::CreateFileA(ansi.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (file && ::GetFileInformationByHandle(file.Get(), &information)) {
        state.hasIdentity = true;
        state.volume = information.dwVolumeSerialNumber;
        state.index = (static_cast<ULONGLONG>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    }
}

bool SameIdentity(const DocumentState& before, const DocumentState& after)
{
    return !before.hasIdentity || !after.hasIdentity || (before.volume == after.volume && before.index == after.index);
}

} // namespace

DocumentState ReadDocumentState(const std::wstring& path)
{
    try {
        if (path.empty()) {
            return {};
        }
        std::string ansi = Global::ToAnsi(path);
        DocumentState state = ReadByName(ansi);
        if (state.exists && !state.isFolder) {
            ReadIdentity(ansi, state);
        }
        return state;
    } catch (...) {
        return {}; // the function's own trap: a path the code page cannot carry holds no document
    }
}

bool IsNewDocument(const DocumentState& before, const std::wstring& path)
{
    try {
        std::string ansi = Global::ToAnsi(path);
        DocumentState after = ReadByName(ansi);
        if (!after.exists || after.isFolder) {
            return false;
        }
        if (!before.exists || before.isFolder || ::CompareFileTime(&before.lastWrite, &after.lastWrite) != 0 ||
            before.size != after.size) {
            return true;
        }
        // Same time and size: only another file in its place tells them apart.
        ReadIdentity(ansi, after);
        return !SameIdentity(before, after);
    } catch (...) {
        return false; // the function's own trap, as above
    }
}

void RemoveConverterPartialFiles(const std::wstring& outputPath, DWORD converterProcessId)
{
    try {
        // Resolved as the converter resolved it: it runs in this run's
        // current folder.
        std::string ansi = Global::ToAnsi(outputPath);
        std::vector<char> full(MAX_PATH, '\0');
        DWORD n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n >= full.size()) {
            full.assign(n, '\0');
            n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        }
        std::string path(full.data(), n < full.size() ? n : 0);
        size_t slash = path.find_last_of('\\');
        if (slash == std::string::npos || slash + 1 == path.size()) {
            return;
        }
        auto itsOwn = [&](DWORD owner) { return owner == converterProcessId; };
        // The output's name, or none where the path left no room for it.
        SignalExchange::RemovePartialFiles(path.substr(0, slash + 1), Global::FromAnsi(path.substr(slash + 1)), itsOwn);
        SignalExchange::RemovePartialFiles(path.substr(0, slash + 1), L"", itsOwn);
    } catch (...) {
        // The function's own trap: what cannot be removed now, the next
        // conversion to this output removes.
    }
}

} // namespace Ardenfold_API
