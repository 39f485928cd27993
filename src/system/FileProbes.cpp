#include "FileProbes.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"

#include <windows.h>

namespace Global {
namespace {

constexpr wchar_t Blank = L' ';

// The search both existence probes make: false when nothing matches or the
// name is not valid.
bool TryFindFirst(const std::wstring& path, WIN32_FIND_DATAA& found)
{
    std::string ansi = ToAnsi(path);
    FindHandle search(::FindFirstFileA(ansi.c_str(), &found));
    return search.IsValid();
}

} // namespace

bool FileExists(const std::wstring& path)
{
    try {
        WIN32_FIND_DATAA found{};
        return TryFindFirst(path, found);
    } catch (...) {
        return false; // the function's own trap: the result as it stood
    }
}

bool FolderExists(const std::wstring& path)
{
    try {
        WIN32_FIND_DATAA found{};
        return TryFindFirst(StripTrailingBackslash(path), found) &&
               (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    } catch (...) {
        return false; // the function's own trap: the result as it stood
    }
}

bool IsFileLocked(const std::wstring& path, std::wstring& errorText)
{
    try {
        std::string ansi = ToAnsi(path);
        FileHandle file(::CreateFileA(ansi.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (file.IsValid()) {
            return false;
        }
        DWORD code = ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION) {
            return true;
        }
        // Inserts such as %1 are left as they stand: no insert value exists to be read.
        char buffer[256] = {};
        DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, sizeof buffer, nullptr);
        if (n == 0) {
            errorText = L"Unknown error!";
        } else {
            // The message less its last character: of its CR LF the CR stays.
            errorText = FromAnsi(std::string(buffer, n - 1));
        }
        return false;
    } catch (const Error& error) {
        // The function's own trap: the error's description, the result as it stood.
        errorText = error.Description();
        return false;
    } catch (...) {
        errorText = L"Unknown error!";
        return false;
    }
}

bool DeleteFileIfFree(const std::wstring& path)
{
    // The function's own policy: each step goes on whatever the one before it met.
    try {
        if (!FileExists(path)) {
            return false;
        }
        std::wstring scratch;
        if (IsFileLocked(path, scratch)) {
            return false;
        }
    } catch (...) {
    }
    try {
        ::DeleteFileA(ToAnsi(path).c_str());
    } catch (...) {
    }
    return !FileExists(path);
}

std::wstring StripTrailingBackslash(std::wstring path)
{
    try {
        path.erase(0, path.find_first_not_of(Blank) == std::wstring::npos ? path.size()
                                                                           : path.find_first_not_of(Blank));
        if (!path.empty() && path.back() == L'\\') {
            path.pop_back();
        }
        return path;
    } catch (...) {
        return {}; // the function's own trap: the result as it stood
    }
}

std::wstring EnsureTrailingBackslash(std::wstring& path)
{
    try {
        if (path.empty()) {
            return {};
        }
        size_t first = path.find_first_not_of(Blank);
        if (first == std::wstring::npos) {
            path.clear();
        } else {
            path = path.substr(first, path.find_last_not_of(Blank) - first + 1);
        }
        if (!path.empty() && path.back() == L'\\') {
            return path;
        }
        return path + L'\\';
    } catch (...) {
        return {}; // the function's own trap: the result as it stood
    }
}

} // namespace Global
