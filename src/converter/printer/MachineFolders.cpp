#include "MachineFolders.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "FileProbes.h"
#include "SignalFileLocation.h"

#include <windows.h>

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
    const std::wstring dataFolder = SignalExchange::MachineDataFolder();
    if (dataFolder.empty()) {
        throw Failure(ExitCode::UnexpectedError, L"The system names no common application-data folder.");
    }
    const std::wstring maker = dataFolder.substr(0, dataFolder.rfind(L'\\'));
    try {
        MakeMachineFolder(maker);
        MakeMachineFolder(dataFolder, DataFolderGrants());
    } catch (const Error& error) {
        throw Failure(ExitCode::UnexpectedError, error.Description());
    }
    return dataFolder;
}

} // namespace Converter
