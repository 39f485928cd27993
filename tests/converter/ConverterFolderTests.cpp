#include "ConverterFolder.h"

#include "SystemLocations.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

using namespace Converter;

namespace {

std::optional<std::string> Variable(const char* name)
{
    char value[32768];
    DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::nullopt : std::optional<std::string>(value);
}

void SetVariable(const char* name, const std::optional<std::string>& value)
{
    ::SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

} // namespace

// The log's folder from what the system sets: a variable that is no full
// path was not set by the system, and the shell is asked instead.
TEST(ConverterFolder, ComesFromTheVariableOrTheShell)
{
    const std::optional<std::string> override = Variable(ConverterFolderVariable);
    const std::optional<std::string> localAppData = Variable("LOCALAPPDATA");
    const std::wstring shell = Global::GetKnownFolder(28) + L"\\Marrowgate\\Ardenfold";
    ASSERT_GT(shell.size(), std::wstring(L"\\Marrowgate\\Ardenfold").size()) << "the shell names no local app data";
    const struct {
        const char* name;
        std::optional<std::string> override;
        std::optional<std::string> localAppData;
        std::wstring folder;
    } rows[] = {
        {"set for a test", "D:\\logs", "C:\\Local", L"D:\\logs"},
        {"the system's", std::nullopt, "C:\\Users\\me\\AppData\\Local", L"C:\\Users\\me\\AppData\\Local\\Marrowgate\\Ardenfold"},
        {"a trailing backslash", std::nullopt, "C:\\Local\\", L"C:\\Local\\Marrowgate\\Ardenfold"},
        {"a server's", std::nullopt, "\\\\server\\home", L"\\\\server\\home\\Marrowgate\\Ardenfold"},
        {"no full path", std::nullopt, "Local", shell},
        {"none", std::nullopt, std::nullopt, shell},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetVariable(ConverterFolderVariable, row.override);
        SetVariable("LOCALAPPDATA", row.localAppData);
        EXPECT_EQ(FindConverterFolder(), row.folder);
    }
    SetVariable(ConverterFolderVariable, override);
    SetVariable("LOCALAPPDATA", localAppData);
}
