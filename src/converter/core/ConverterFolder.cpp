#include "ConverterFolder.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "FileProbes.h"
#include "SignalFileLocation.h"
#include "SystemLocations.h"

#include <windows.h>

#include <vector>

namespace Converter {

using namespace Global;

namespace {

// Shell special-folder number of the user's local application data.
constexpr int LocalAppDataFolder = 28;

// The variable's value; empty when it is not set.
std::wstring EnvironmentValue(const char* name)
{
    std::vector<char> value(MAX_PATH);
    DWORD length = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value.resize(length);
        length = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    }
    return length == 0 || length >= value.size() ? std::wstring() : FromAnsi(std::string(value.data(), length));
}

// A full path with a drive or a server: a variable that holds anything else
// was not set by the system.
bool IsFullPath(const std::wstring& path)
{
    return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
           (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\');
}

} // namespace

std::wstring FindConverterFolder()
{
    std::wstring folder = EnvironmentValue(ConverterFolderVariable);
    if (!folder.empty()) {
        return folder;
    }
    // The system sets LOCALAPPDATA for every user's processes to the
    // shell's folder; asking the shell instead loads SHELL32, and with it
    // USER32 and GDI32, which under Wine costs a run more than converting an
    // image. The shell answers only where the variable is missing or no path.
    std::wstring localAppData;
    try {
        localAppData = EnvironmentValue("LOCALAPPDATA");
        if (!IsFullPath(localAppData)) {
            localAppData = GetKnownFolder(LocalAppDataFolder);
        } else if (localAppData.size() > 3 && localAppData.back() == L'\\') {
            localAppData.pop_back();
        }
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    if (localAppData.empty()) {
        throw Failure(ExitCode::SpoolUnusable, L"The user's local application-data folder is unknown.");
    }
    return localAppData + L"\\Marrowgate\\Ardenfold";
}

void MakeFolderTree(const std::wstring& path)
{
    if (FolderExists(path)) {
        return;
    }
    size_t parent = path.find_last_of(L'\\');
    if (parent != std::wstring::npos && parent > 0 && path[parent - 1] != L':' && path[parent - 1] != L'\\') {
        MakeFolderTree(path.substr(0, parent));
    }
    try {
        SignalExchange::MakeFolder(path);
    } catch (const Error& error) {
        if (!FolderExists(path)) {
            throw Failure(ExitCode::SpoolUnusable, error.Description());
        }
    }
}

} // namespace Converter
