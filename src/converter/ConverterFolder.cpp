#include "ConverterFolder.h"

#include "AnsiText.h"
#include "ExitCodes.h"
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
std::wstring TestFolder()
{
    std::vector<char> value(MAX_PATH);
    DWORD length = ::GetEnvironmentVariableA(ConverterFolderVariable, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value.resize(length);
        length = ::GetEnvironmentVariableA(ConverterFolderVariable, value.data(), static_cast<DWORD>(value.size()));
    }
    return length == 0 || length >= value.size() ? std::wstring() : FromAnsi(std::string(value.data(), length));
}

} // namespace

std::wstring FindConverterFolder()
{
    std::wstring folder = TestFolder();
    if (!folder.empty()) {
        return folder;
    }
    std::wstring localAppData;
    try {
        localAppData = GetShellFolderPath(LocalAppDataFolder);
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
