#include "JobOwner.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"
#include "OwnerOnly.h"
#include "PrintedJob.h"
#include "SignalFileLocation.h"
#include "SystemLocations.h"

#include <windows.h>
#include <userenv.h>

namespace Port {

using namespace Global;

namespace {

// The spooler's own accounts: a job that reaches the port under one of them
// was not printed by a user we can name.
bool IsServiceAccount(PSID sid)
{
    for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinLocalServiceSid, WinNetworkServiceSid}) {
        if (::IsWellKnownSid(sid, type)) {
            return true;
        }
    }
    return false;
}

// The impersonated client's TEMP, as its own environment names it.
std::wstring ClientTempFolder(HANDLE token)
{
    wchar_t expanded[MAX_PATH] = {};
    if (!::ExpandEnvironmentStringsForUserW(token, L"%TEMP%", expanded, MAX_PATH) || expanded[0] == L'%') {
        ThrowSystemError(L"The printing user's temporary folder cannot be found", ::GetLastError());
    }
    std::wstring folder = expanded;
    return folder.back() == L'\\' ? folder : folder + L"\\";
}

} // namespace

std::wstring OwnersSignalFile()
{
    std::vector<BYTE> user = CurrentUserSid();
    KernelHandle client;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, TRUE,
                          client.Put())) {
        if (IsServiceAccount(user.data())) {
            throw Error(L"The printed job's owner cannot be told: the spooler impersonates a service account.");
        }
        return GetLongPath(ClientTempFolder(client.Get())) + L"PDFCreator\\CommandLine.txt";
    }
    if (IsServiceAccount(user.data())) {
        throw Error(L"The printed job's owner cannot be told: the port runs in the spooler's own account (" +
                    SidText(user.data()) + L") and no printing user is impersonated.");
    }
    return SignalExchange::FindSignalFilePath();
}

std::wstring OwnersJobFolder(const std::wstring& signalFilePath)
{
    std::wstring folder = SignalExchange::PrintedJobsFolderFor(signalFilePath);
    FileHandle handle(::CreateFileA(ToAnsi(folder).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            throw Error(L"No conversion of this user's waits for a printed job: the folder \"" + folder +
                        L"\" that a run prepares is not there. The job was dropped.");
        }
        ThrowSystemError(L"The printed jobs folder \"" + folder + L"\" cannot be opened", code);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle.Get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw Error(L"The printed jobs folder \"" + folder + L"\" is a link or no folder. The job was dropped.");
    }
    if (!CurrentUsersAlone(handle.Get())) {
        throw Error(L"The printed jobs folder \"" + folder +
                    L"\" belongs to another user. The job was dropped.");
    }
    return folder;
}

} // namespace Port
