#include "NoFollow.h"

#include "AnsiText.h"
#include "Error.h"

#include <vector>

namespace Global {

namespace {

// The names in a folder, less "." and "..", read through the handle that
// holds it: a listing by name would also be refused a folder held without
// FILE_SHARE_DELETE.
std::vector<std::wstring> Names(HANDLE folder, const std::wstring& path)
{
    std::vector<std::wstring> names;
    std::vector<LONGLONG> buffer(8192); // 64 KB, aligned for the entries
    for (;;) {
        if (!::GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
            DWORD code = ::GetLastError();
            if (code == ERROR_NO_MORE_FILES) {
                return names;
            }
            ThrowSystemError(L"The folder \"" + path + L"\" could not be read", code);
        }
        auto* at = reinterpret_cast<BYTE*>(buffer.data());
        for (;;) {
            auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
}

// The entry goes when its handle is closed. A read-only file refuses its
// disposition: the attribute is taken off first.
void DeleteThrough(const NoFollowEntry& entry, const std::wstring& path)
{
    if (entry.isLink && !entry.handleIsLink) {
        throw Error(L"\"" + path + L"\" is a link that this system opens only through to what it points to; it "
                                   L"is left where it is, and what it points to is not touched.");
    }
    if ((entry.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = entry.attributes & ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0) {
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        }
        ::SetFileInformationByHandle(entry.handle.Get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(entry.handle.Get(), FileDispositionInfo, &disposition, sizeof disposition)) {
        ThrowSystemError(L"\"" + path + L"\" could not be deleted", ::GetLastError());
    }
}

constexpr DWORD DeleteAccess = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

} // namespace

NoFollowEntry OpenNoFollow(const std::wstring& path, DWORD access, bool shareDelete)
{
    std::string ansi = ToAnsi(path);
    NoFollowEntry entry;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (shareDelete ? FILE_SHARE_DELETE : 0);
    entry.handle.Reset(::CreateFileA(ansi.c_str(), access, share, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!entry.handle) {
        DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return entry;
        }
        ThrowSystemError(L"\"" + path + L"\" could not be opened", code);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(entry.handle.Get(), &information)) {
        ThrowSystemError(L"\"" + path + L"\" could not be examined", ::GetLastError());
    }
    entry.attributes = information.dwFileAttributes;
    entry.handleIsLink = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // Asked once the handle is held, so that the name still means the entry
    // opened (a handle without FILE_SHARE_DELETE keeps it from being renamed).
    DWORD named = ::GetFileAttributesA(ansi.c_str());
    entry.isLink = entry.handleIsLink || (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    return entry;
}

void DeleteFileNoFollow(const std::wstring& path)
{
    NoFollowEntry entry = OpenNoFollow(path, DeleteAccess, false);
    if (!entry.handle) {
        return;
    }
    if (entry.IsFolder() && !entry.isLink) {
        throw Error(L"\"" + path + L"\" is a folder, not a file; it is left where it is.");
    }
    DeleteThrough(entry, path);
}

void DeleteTreeNoFollow(const std::wstring& path)
{
    // Held without FILE_SHARE_DELETE while its entries go, so that nobody can
    // put a link in its place between the listing and the deletes.
    NoFollowEntry entry = OpenNoFollow(path, DeleteAccess, false);
    if (!entry.handle) {
        return;
    }
    if (entry.IsFolder() && !entry.isLink) {
        for (const std::wstring& name : Names(entry.handle.Get(), path)) {
            DeleteTreeNoFollow(path + L"\\" + name);
        }
    }
    DeleteThrough(entry, path);
}

} // namespace Global
