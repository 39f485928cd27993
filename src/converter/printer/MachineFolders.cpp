#include "MachineFolders.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileProbes.h"
#include "SignalFileLocation.h"

#include <windows.h>
#include <shlobj.h>

namespace Converter {

using namespace Global;

std::vector<FolderGrant> DataFolderGrants()
{
    return {
        {WinBuiltinUsersSid, FILE_ADD_FILE, 0},
        {WinCreatorOwnerSid, FILE_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE},
    };
}

std::wstring SecureMachineFolders()
{
    char common[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, SignalExchange::CommonAppDataFolder, nullptr, SHGFP_TYPE_CURRENT, common)) ||
        !*common) {
        throw Failure(ExitCode::UnexpectedError, L"The system names no common application-data folder.");
    }
    std::wstring maker = StripTrailingBackslash(FromAnsi(common)) + L"\\Marrowgate";
    std::wstring dataFolder = maker + L"\\" + SignalExchange::BuildAppFolderName();
    try {
        MakeMachineFolder(maker);
        MakeMachineFolder(dataFolder, DataFolderGrants());
    } catch (const Error& error) {
        throw Failure(ExitCode::UnexpectedError, error.Description());
    }
    return dataFolder;
}

} // namespace Converter
