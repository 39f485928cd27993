#include "WorkingFolders.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileProbes.h"
#include "SystemLocations.h"

#include <windows.h>

#include <array>

namespace Ardenfold_API {

using namespace Global;

namespace {

// Each code is one less than the character code it yields: "Ardenfold Converter".
constexpr std::array<short, 19> AppFolderCodes = {64, 113, 99, 100, 109, 101, 110, 107, 99, 31,
                                                  66, 110, 109, 117, 100, 113, 115, 100, 113};
constexpr int CodeTableSlots = 101;

} // namespace

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
        ThrowSystemError(L"The folder \"" + path + L"\" could not be made", ::GetLastError());
    }
}

std::wstring ResolveDataFolder(const std::wstring& appFolderName)
{
    // The shell is asked anew at each use, in this order.
    if (GetShellFolderPath(CommonAppDataFolder).empty()) {
        return GetProgramFolder();
    }
    if (FolderExists(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate\\" + appFolderName)) {
        return GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate\\" + appFolderName;
    }
    if (!FolderExists(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate")) {
        MakeFolder(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate");
    }
    if (!FolderExists(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate\\" + appFolderName) &&
        FolderExists(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate")) {
        MakeFolder(GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate\\" + appFolderName);
    }
    return GetShellFolderPath(CommonAppDataFolder) + L"\\Marrowgate\\" + appFolderName;
}

std::wstring ResolveSignalFilePath(const std::wstring& dataFolder)
{
    // The temporary folder ends in a backslash; with no long form the bare
    // name resolves against the current folder.
    std::wstring workFolder = GetLongPath(GetTempFolder()) + L"PDFCreator";
    if (!FolderExists(workFolder)) {
        MakeFolder(workFolder);
        if (!FolderExists(workFolder)) {
            workFolder = dataFolder;
        }
    }
    return workFolder + L"\\CommandLine.txt";
}

std::wstring FindSignalFilePath()
{
    return ResolveSignalFilePath(ResolveDataFolder(BuildAppFolderName()));
}

} // namespace Ardenfold_API
