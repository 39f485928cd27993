#include "SystemLocations.h"

#include "Error.h"
#include "FileProbes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

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

TEST(SystemLocationsTest, LongPathBeyondTheFirstBufferIsWholeOrEmpty)
{
    // A long form of more than 512 characters: the answer is the whole path,
    // or empty where the ANSI call refuses such a path, never a buffer of zeros.
    TestFiles::TempFolder root(L"LongPath");
    std::wstring path = root.Path();
    while (path.size() < 600) {
        path += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    std::wstring answer = GetLongPath(L"\\\\?\\" + path);
    EXPECT_TRUE(answer.empty() || answer == L"\\\\?\\" + path);
    EXPECT_EQ(answer.find(L'\0'), std::wstring::npos);
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
