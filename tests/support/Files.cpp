#include "Files.h"

#include <windows.h>
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
    HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name != "." && name != "..") {
                allGone = RemoveOnce(path + "\\" + name) && allGone;
            }
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    return ::RemoveDirectoryA(path.c_str()) != 0 && allGone;
}

} // namespace

std::string BuiltCommandLineExe()
{
    return ARDENFOLD_COMMANDLINE_EXE;
}

std::string BuiltStandInExe()
{
    return ARDENFOLD_STANDIN_EXE;
}

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
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("Cannot open", path);
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    ::CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("Cannot create", path);
    }
    DWORD written = 0;
    BOOL ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    if (!ok || written != bytes.size()) {
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
    if (IsFolder(path)) {
        return;
    }
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2) {
        MakeFolders(path.substr(0, slash));
    }
    if (!::CreateDirectoryA(path.c_str(), nullptr) && !IsFolder(path)) {
        Fail("Cannot make the folder", path);
    }
}

bool RemoveTree(const std::string& path)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (RemoveOnce(path)) {
            return true;
        }
        ::Sleep(100);
    }
    return false;
}

HeldFile::HeldFile(const std::string& path)
    : handle_(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr))
{
    if (handle_ == INVALID_HANDLE_VALUE) {
        Fail("Cannot hold", path);
    }
}

HeldFile::~HeldFile()
{
    ::CloseHandle(handle_);
}

bool WaitUntilFree(const std::string& path, unsigned long timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            return true;
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION) {
            return true;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(50);
    }
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
