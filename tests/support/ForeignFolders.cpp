#include "ForeignFolders.h"

#include "AnsiText.h"
#include "Files.h"
#include "Handle.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace TestSupport {

namespace {

const char AnotherUser[] = "S-1-5-21-1-2-3-1001";

std::string Failed(const std::string& what, DWORD code)
{
    return what + " (error " + std::to_string(code) + ")";
}

// Wine's path of the folder on the Unix side; empty on Windows.
std::string UnixPath(const std::wstring& path)
{
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixFileName ? unixFileName(path.c_str()) : nullptr;
    if (!name) {
        return {};
    }
    std::string result = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

// Wine starts a Unix program and hands back no handle to wait on: the caller
// waits, bounded, for what the program does.
std::string RunUnixProgram(const std::vector<std::string>& arguments, const std::function<bool()>& done)
{
    std::string commandLine;
    for (const std::string& argument : arguments) {
        commandLine += (commandLine.empty() ? "\"" : " \"") + argument + "\"";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(arguments[0].c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return Failed("cannot start " + commandLine, ::GetLastError());
    }
    Global::KernelHandle process(info.hProcess);
    Global::KernelHandle thread(info.hThread);
    if (!WaitUntil(done, 10000)) {
        return commandLine + " did not do its part within 10 s";
    }
    return {};
}

bool OwnerIsThisUser(const std::wstring& folder)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    Global::ScopeExit free([&] { ::LocalFree(descriptor); });
    Global::KernelHandle token;
    BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    DWORD size = 0;
    return ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put()) &&
           ::GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size) &&
           ::EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
}

bool IsLink(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A mount point's reparse data: the target as "\??\C:\..." and as shown.
std::string SetJunction(const std::wstring& link, const std::wstring& target, DWORD& code)
{
    Global::FileHandle handle(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        code = ::GetLastError();
        return Failed("cannot open the new folder for its junction", code);
    }
    std::wstring substitute = L"\\??\\" + target;
    std::vector<BYTE> buffer(8 + 8 + (substitute.size() + target.size() + 2) * sizeof(wchar_t));
    auto put16 = [&](size_t at, size_t value) {
        buffer[at] = static_cast<BYTE>(value & 0xFF);
        buffer[at + 1] = static_cast<BYTE>(value >> 8);
    };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buffer.data(), &tag, 4);
    put16(4, buffer.size() - 8);                                                        // data length
    put16(8, 0);                                                                        // substitute name's offset
    put16(10, substitute.size() * sizeof(wchar_t));                                     // and length
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));                               // print name's offset
    put16(14, target.size() * sizeof(wchar_t));                                         // and length
    std::memcpy(buffer.data() + 16, substitute.c_str(), substitute.size() * sizeof(wchar_t));
    std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), target.c_str(),
                target.size() * sizeof(wchar_t));
    DWORD returned = 0;
    if (!::DeviceIoControl(handle.Get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                           nullptr, 0, &returned, nullptr)) {
        code = ::GetLastError();
        return Failed("FSCTL_SET_REPARSE_POINT failed", code);
    }
    code = ERROR_SUCCESS;
    return {};
}

} // namespace

std::string OpenToEveryone(const std::wstring& folder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return Failed("cannot build the access list", ::GetLastError());
    }
    Global::ScopeExit free([&] { ::LocalFree(descriptor); });
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    DWORD code = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
    return code == ERROR_SUCCESS ? std::string() : Failed("cannot set the access list", code);
}

std::string GiveToAnotherUser(const std::wstring& folder)
{
    PSID other = nullptr;
    if (!::ConvertStringSidToSidA(AnotherUser, &other)) {
        return Failed("cannot build the SID", ::GetLastError());
    }
    Global::ScopeExit free([&] { ::LocalFree(other); });
    DWORD code = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION, other, nullptr, nullptr, nullptr);
    if (code == ERROR_SUCCESS && !OwnerIsThisUser(folder)) {
        return {};
    }
    std::string unixPath = UnixPath(folder);
    if (unixPath.empty()) {
        return Failed(std::string("the system does not take the owner ") + AnotherUser + " from this process", code);
    }
    std::string why = RunUnixProgram({"/bin/chown", "1001", unixPath}, [&] { return !OwnerIsThisUser(folder); });
    return why.empty() ? why : why + " (chown needs a test run as root)";
}

std::string MakeFolderLink(const std::wstring& link, const std::wstring& target)
{
    if (!::CreateDirectoryW(link.c_str(), nullptr)) {
        return Failed("cannot make the folder for the junction", ::GetLastError());
    }
    DWORD code = ERROR_SUCCESS;
    std::string why = SetJunction(link, target, code);
    if (why.empty()) {
        return why;
    }
    ::RemoveDirectoryW(link.c_str());
    std::string unixTarget = UnixPath(target);
    std::string unixLink = UnixPath(link);
    if (code != ERROR_NOT_SUPPORTED || unixTarget.empty() || unixLink.empty()) {
        return why;
    }
    return RunUnixProgram({"/bin/ln", "-s", unixTarget, unixLink}, [&] { return IsLink(link); });
}

std::string RemoveFolderLink(const std::wstring& link)
{
    if (!IsLink(link)) {
        return {};
    }
    std::string unixLink = UnixPath(link);
    if (unixLink.empty()) {
        // A junction goes as a folder would; what it points to stays.
        return ::RemoveDirectoryW(link.c_str()) ? std::string() : Failed("cannot remove the junction", ::GetLastError());
    }
    return RunUnixProgram({"/bin/rm", unixLink}, [&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

} // namespace TestSupport
