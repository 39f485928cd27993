#include "TempFolder.h"

#include <windows.h>

#include <stdexcept>

namespace TestFiles {

std::wstring MakeFreshFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                          std::to_wstring(::GetTickCount());
    RemoveTree(folder);
    if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
        throw std::runtime_error("cannot make a test folder");
    }
    return folder;
}

void RemoveTree(const std::wstring& folder)
{
    // The \\?\ form reaches folders nested deeper than MAX_PATH.
    if (folder.rfind(L"\\\\?\\", 0) != 0 && folder.size() > 2 && folder[1] == L':') {
        RemoveTree(L"\\\\?\\" + folder);
        return;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace TestFiles
