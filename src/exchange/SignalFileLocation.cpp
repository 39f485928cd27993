#include "SignalFileLocation.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileProbes.h"
#include "FolderSecurity.h"
#include "SystemLocations.h"

#include <windows.h>

#include <array>

namespace SignalExchange {

using namespace Global;

namespace {

// Each code is one less than the character code it yields: "Ardenfold Converter".
constexpr std::array<short, 19> AppFolderCodes = {64, 113, 99, 100, 109, 101, 110, 107, 99, 31,
                                                  66, 110, 109, 117, 100, 113, 115, 100, 113};
constexpr int CodeTableSlots = 101;

const std::wstring MakerFolder = L"\\Marrowgate";
const std::wstring SignalFileName = L"\\CommandLine.txt";

} // namespace

std::wstring MachineDataFolder()
{
    std::wstring common = GetKnownFolder(CommonAppDataFolder);
    return common.empty() ? std::wstring() : common + MakerFolder + L"\\" + BuildAppFolderName();
}

std::wstring WorkFolderPath()
{
    return GetLongPath(GetTempFolder()) + L"PDFCreator";
}

std::wstring SpoolFolderFor(const std::wstring& signalFilePath)
{
    return signalFilePath.substr(0, signalFilePath.find_last_of(L'\\')) + L"\\Spool";
}

std::wstring BuildAppFolderName()
{
    std::array<std::wstring, CodeTableSlots> table;
    for (size_t i = 0; i < AppFolderCodes.size(); ++i) {
        table[i] = std::to_wstring(AppFolderCodes[i]);
    }
    std::string name;
    for (size_t i = 0; i < AppFolderCodes.size(); ++i) {
        name += static_cast<char>(std::stoi(table[i]) + 1);
    }
    std::wstring result = FromAnsi(name);
    return result.empty() ? L"Ardenfold" : result;
}

void MakeFolder(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    if (!::CreateDirectoryA(ansi.c_str(), nullptr)) {
        DWORD error = ::GetLastError();
        // Runs started together each find the folder missing; the one that
        // makes it second has it all the same. A file of that name is no folder.
        if (error == ERROR_ALREADY_EXISTS && FolderExists(path)) {
            return;
        }
        ThrowSystemError(L"The folder \"" + path + L"\" could not be made", error);
    }
}

std::wstring ResolveDataFolder(const std::wstring& appFolderName, const FolderTest& folderExists)
{
    // The shell is asked anew at each use, in this order.
    if (GetShellFolderPath(CommonAppDataFolder).empty()) {
        return GetProgramFolder();
    }
    if (folderExists(GetShellFolderPath(CommonAppDataFolder) + MakerFolder + L"\\" + appFolderName)) {
        return GetShellFolderPath(CommonAppDataFolder) + MakerFolder + L"\\" + appFolderName;
    }
    if (!folderExists(GetShellFolderPath(CommonAppDataFolder) + MakerFolder)) {
        MakeFolder(GetShellFolderPath(CommonAppDataFolder) + MakerFolder);
    }
    // Both tests are made, in this order, whatever the first one finds.
    bool appFolderMissing = !folderExists(GetShellFolderPath(CommonAppDataFolder) + MakerFolder + L"\\" + appFolderName);
    bool makerFolderExists = folderExists(GetShellFolderPath(CommonAppDataFolder) + MakerFolder);
    if (appFolderMissing && makerFolderExists) {
        MakeFolder(GetShellFolderPath(CommonAppDataFolder) + MakerFolder + L"\\" + appFolderName);
    }
    return GetShellFolderPath(CommonAppDataFolder) + MakerFolder + L"\\" + appFolderName;
}

std::wstring ResolveSignalFilePath(const std::wstring& dataFolder)
{
    // Where TEMP is shared (a service's, a policy's C:\\Temp), another user
    // may have made the working folder or its spool first: such a folder
    // would let that user read the documents or plant a job. A folder made
    // here is this user's alone.
    std::wstring workFolder = WorkFolderPath();
    if (!FolderExists(workFolder)) {
        MakePrivateFolder(workFolder);
        if (!FolderExists(workFolder)) {
            workFolder = dataFolder;
        }
    } else {
        CheckPrivateFolder(workFolder);
    }
    std::wstring spoolFolder = SpoolFolderFor(workFolder + SignalFileName);
    if (FolderExists(spoolFolder)) {
        CheckPrivateFolder(spoolFolder);
    }
    return workFolder + SignalFileName;
}

std::wstring FindSignalFilePath()
{
    std::wstring workFolder = WorkFolderPath();
    if (FolderExists(workFolder)) {
        return workFolder + SignalFileName;
    }
    // The data folder that start-up settles on, whether or not it was made.
    std::wstring commonAppData = GetShellFolderPath(CommonAppDataFolder);
    std::wstring dataFolder =
        commonAppData.empty() ? GetProgramFolder() : commonAppData + MakerFolder + L"\\" + BuildAppFolderName();
    return dataFolder + SignalFileName;
}

} // namespace SignalExchange
