#include "SystemLocations.h"

#include "Error.h"
#include "FileProbes.h"
#include "Handle.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

using namespace Global;

TEST(SystemLocationsTest, SystemFolderIsTheSystemsOwn)
{
    char expected[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryA(expected, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(GetSystemFolder(), std::wstring(expected, expected + n));
    EXPECT_TRUE(FolderExists(GetSystemFolder()));
}

TEST(SystemLocationsTest, ShellFolderCommonAppData)
{
    std::wstring path = GetShellFolderPath(35);
    EXPECT_FALSE(path.empty());
    EXPECT_TRUE(FolderExists(path)) << std::string(path.begin(), path.end());
    char expected[MAX_PATH] = {};
    ASSERT_GT(::GetEnvironmentVariableA("ProgramData", expected, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiW(path.c_str(), std::wstring(expected, expected + strlen(expected)).c_str()), 0);
}

TEST(SystemLocationsTest, UnknownShellFolderGivesTheEmptyString)
{
    EXPECT_EQ(GetShellFolderPath(9999), L"");
    EXPECT_EQ(GetShellFolderPath(-5), L"");
}

TEST(SystemLocationsTest, TempFolderEndsInABackslashAndHasALongForm)
{
    std::wstring temp = GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    std::wstring longForm = GetLongPath(temp);
    EXPECT_FALSE(longForm.empty());
    EXPECT_TRUE(FolderExists(longForm));
}

TEST(SystemLocationsTest, LongPathOfMissingOrEmptyPathIsEmpty)
{
    EXPECT_EQ(GetLongPath(L""), L"");
    EXPECT_EQ(GetLongPath(L"C:\\no\\such\\folder\\here"), L"");
}

TEST(SystemLocationsTest, LongPathExpandsShortNames)
{
    TestFiles::TempFolder folder(L"Long Folder Name For Short Form");
    char shortForm[MAX_PATH] = {};
    std::string ansiFolder(folder.Path().begin(), folder.Path().end());
    DWORD n = ::GetShortPathNameA(ansiFolder.c_str(), shortForm, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(lstrcmpiW(GetLongPath(std::wstring(shortForm, shortForm + n)).c_str(), folder.Path().c_str()), 0);
}

// Answers that do not fit the first buffer of 512 characters come back
// whole. An ANSI path call refuses a path of MAX_PATH characters or more
// (Wine always, Windows without long-path support), so such an answer exists
// only where a character takes two bytes: ctest runs this test again under
// code page 932 (SystemHelpersTestCodePage932), where a folder of 258
// characters takes 512 bytes, and as the temporary folder 513.
TEST(SystemLocationsTest, AnswersBeyondTheFirstBufferComeBackWhole)
{
    if (const char* required = std::getenv("ARDENFOLD_TEST_CODE_PAGE")) {
        ASSERT_EQ(::GetACP(), std::strtoul(required, nullptr, 10)) << "the run meant for that code page has another";
    }
    CPINFO codePage{};
    ASSERT_TRUE(::GetCPInfo(CP_ACP, &codePage));
    if (codePage.MaxCharSize < 2) {
        GTEST_SKIP() << "code page " << ::GetACP() << " has no characters of two bytes";
    }
    // Two folders of 127 Greek letters each under C:\ (254 bytes apiece in
    // UTF-8, within the 255 of a Linux name), the first one this process's own.
    std::wstring first(127, L'\u03a9');
    for (DWORD id = ::GetCurrentProcessId(), i = 0; i < 32; ++i) {
        first[i] = static_cast<wchar_t>(L'\u0391' + ((id >> i) & 1));
    }
    const std::wstring top = L"C:\\" + first;
    const std::wstring folder = top + L"\\" + std::wstring(127, L'\u03b1');
    Global::ScopeExit removeFolders([&] { TestFiles::RemoveTree(top); });
    ASSERT_TRUE(::CreateDirectoryW(top.c_str(), nullptr)) << ::GetLastError();
    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr)) << ::GetLastError();
    ASSERT_GE(Global::ToAnsi(folder).size(), 512u) << "the folder's ANSI form fits the first buffer";

    EXPECT_EQ(GetLongPath(folder), folder);

    std::wstring savedTmp(32768, L'\0');
    const bool hadTmp = ::GetEnvironmentVariableW(L"TMP", savedTmp.data(), 32768) > 0;
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TMP", folder.c_str()));
    Global::ScopeExit restoreTmp([&] { ::SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp.c_str() : nullptr); });
    EXPECT_EQ(GetTempFolder(), folder + L"\\");
}

TEST(SystemLocationsTest, UnrepresentablePathIsAnErrorWithADescription)
{
    try {
        GetLongPath(L"C:\\\u4e00\u4e8c");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(error.Description().find(L"\u4e00\u4e8c"), std::wstring::npos);
    }
}

TEST(SystemLocationsTest, ProgramFolderHoldsThisExecutable)
{
    std::wstring folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_TRUE(FileExists(folder + L"\\SystemHelpersTest.exe"));
}
