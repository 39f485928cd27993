#include "ConverterFolder.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileProbes.h"
#include "SignalFileLocation.h"

#include <windows.h>
#include <shlobj.h>

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
    // The shell's folder function, not its automation object: that one
    // sets up COM, and under Wine a window of COM's and the display driver
    // with it, which cost a converter run a fifth of its time when the
    // document needs little work (a JPEG).
    char buffer[MAX_PATH] = {};
    HRESULT result = ::SHGetFolderPathA(nullptr, LocalAppDataFolder, nullptr, SHGFP_TYPE_CURRENT, buffer);
    std::wstring localAppData;
    try {
        localAppData = SUCCEEDED(result) ? FromAnsi(buffer) : std::wstring();
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
