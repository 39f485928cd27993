#include "Files.h"

#include <shlobj.h>

#include <stdexcept>

namespace TestSupport {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " \"" + path + "\" (error " + std::to_string(::GetLastError()) + ")");
}

bool RemoveOnce(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    // A read-only entry would refuse the delete for a reason no test cares about.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return ::DeleteFileA(path.c_str()) != 0;
    }
    bool allGone = true;
    WIN32_FIND_DATAA entry{};
    Global::FindHandle search(::FindFirstFileA((path + "\\*").c_str(), &entry));
    while (search) {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            allGone = RemoveOnce(path + "\\" + name) && allGone;
        }
        if (!::FindNextFileA(search.Get(), &entry)) {
            break;
        }
    }
    search.Reset();
    return ::RemoveDirectoryA(path.c_str()) != 0 && allGone;
}

} // namespace

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadFileBytes(const std::string& path)
{
    // Shared for everything: the program or a stand-in may hold the file.
    Global::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail("Cannot open", path);
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    Global::FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || (!bytes.empty() && !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                 nullptr)) ||
        written != bytes.size()) {
        Fail("Cannot write", path);
    }
}

void CopyFileOver(const std::string& from, const std::string& to)
{
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        Fail("Cannot copy \"" + from + "\" to", to);
    }
}

void MakeFolders(const std::string& path)
{
    int status = ::SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    if (status != ERROR_SUCCESS && !IsFolder(path)) {
        ::SetLastError(static_cast<DWORD>(status));
        Fail("Cannot make the folder", path);
    }
}

bool RemoveTree(const std::string& path)
{
    return WaitUntil([&] { return RemoveOnce(path); }, 5000);
}

Global::FileHandle HoldFile(const std::string& path)
{
    Global::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail("Cannot hold", path);
    }
    return file;
}

bool IsHeld(const std::string& path)
{
    Global::FileHandle file(
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(20);
    }
    return true;
}

std::string CommonAppDataFolder()
{
    char folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        throw std::runtime_error("The common application-data folder is unknown");
    }
    return folder;
}

} // namespace TestSupport
