#include "FileProbes.h"
#include "Handle.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace Global;
using TestFiles::TempFolder;

namespace {

// Holds a file open, as another program would, with the given sharing.
Global::FileHandle HoldFile(const std::wstring& path, DWORD access, DWORD share)
{
    return Global::FileHandle(
        ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::wstring SystemMessageLessLastCharacter(DWORD code)
{
    char buffer[256] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                               sizeof buffer, nullptr);
    std::string text(buffer, n == 0 ? 0 : n - 1);
    return std::wstring(text.begin(), text.end());
}

class FileProbesTest : public ::testing::Test {
protected:
    TempFolder folder{L"FileProbesTest"};
    std::wstring file = folder / L"file.txt";
    std::wstring subfolder = folder / L"sub";

    void SetUp() override
    {
        TestFiles::WriteBytes(file, "x");
        ::CreateDirectoryW(subfolder.c_str(), nullptr);
    }
};

} // namespace

TEST_F(FileProbesTest, FileExistsCountsFoldersButFolderExistsNotFiles)
{
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(subfolder));
    EXPECT_FALSE(FileExists(folder / L"missing.txt"));
    EXPECT_TRUE(FolderExists(subfolder));
    EXPECT_FALSE(FolderExists(file));
    EXPECT_FALSE(FolderExists(folder / L"missing"));
}

TEST_F(FileProbesTest, TrailingBackslashesAndLeadingBlanks)
{
    // FileExists hands the path to the search unchanged; FolderExists strips
    // leading blanks and exactly one trailing backslash first.
    EXPECT_FALSE(FileExists(subfolder + L"\\"));
    EXPECT_TRUE(FolderExists(subfolder + L"\\"));
    EXPECT_FALSE(FolderExists(subfolder + L"\\\\"));
    EXPECT_TRUE(FolderExists(L"   " + subfolder));
    EXPECT_FALSE(FileExists(L"   " + subfolder));
}

TEST_F(FileProbesTest, EmptyPathsAndWildcards)
{
    EXPECT_FALSE(FileExists(L""));
    EXPECT_FALSE(FolderExists(L""));
    EXPECT_FALSE(FolderExists(L"\\"));
    EXPECT_TRUE(FileExists(folder / L"fi*.txt"));
}

TEST_F(FileProbesTest, UnrepresentablePathNeverTurnsIntoAWildcard)
{
    // "?" stands in for a character the code page lacks; had the conversion
    // let it through, this probe would match "file.txt".
    EXPECT_FALSE(FileExists(folder / L"fil\u4e00.txt"));
    std::wstring errorText;
    EXPECT_FALSE(IsFileLocked(folder / L"fil\u4e00.txt", errorText));
    EXPECT_NE(errorText.find(L"cannot be represented"), std::wstring::npos);
}

TEST_F(FileProbesTest, FileHeldOpenIsLockedWhateverItsSharing)
{
    const DWORD sharings[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
    const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE};
    int i = 0;
    for (DWORD access : accesses) {
        for (DWORD share : sharings) {
            Global::FileHandle holder = HoldFile(file, access, share);
            ASSERT_TRUE(holder) << i;
            std::wstring errorText = L"untouched";
            EXPECT_TRUE(IsFileLocked(file, errorText)) << i;
            EXPECT_EQ(errorText, L"untouched") << i;
            ++i;
        }
    }
}

TEST_F(FileProbesTest, FreeFileIsNotLockedAndErrorTextStays)
{
    std::wstring errorText = L"untouched";
    EXPECT_FALSE(IsFileLocked(file, errorText));
    EXPECT_EQ(errorText, L"untouched");
}

TEST_F(FileProbesTest, MissingFileAndFolderAreNotLockedAndGiveTheSystemMessage)
{
    std::wstring errorText;
    EXPECT_FALSE(IsFileLocked(folder / L"missing.txt", errorText));
    EXPECT_EQ(errorText, SystemMessageLessLastCharacter(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(errorText.empty());
    ASSERT_GE(errorText.size(), 1u);
    // Of the message's CR LF the CR stays.
    EXPECT_EQ(errorText.back(), L'\r');

    errorText.clear();
    EXPECT_FALSE(IsFileLocked(subfolder, errorText));
    EXPECT_FALSE(errorText.empty());
}

TEST_F(FileProbesTest, DeleteFileIfFreeHasFourOutcomes)
{
    EXPECT_FALSE(DeleteFileIfFree(folder / L"missing.txt"));

    {
        Global::FileHandle holder = HoldFile(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        EXPECT_FALSE(DeleteFileIfFree(file));
        EXPECT_TRUE(FileExists(file));
    }

    std::wstring readOnly = folder / L"readonly.txt";
    TestFiles::WriteBytes(readOnly, "r");
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFileIfFree(readOnly));
    EXPECT_TRUE(FileExists(readOnly));
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_TRUE(DeleteFileIfFree(file));
    EXPECT_FALSE(FileExists(file));
}

TEST(PathTextTest, StripTrailingBackslash)
{
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"", L""},           {L"   ", L""},           {L"\\", L""},
        {L"C:\\a\\", L"C:\\a"}, {L"C:\\a\\\\", L"C:\\a\\"}, {L"  C:\\a\\", L"C:\\a"},
        {L"C:\\a\\ ", L"C:\\a\\ "}, {L"C:\\a", L"C:\\a"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(StripTrailingBackslash(cases[i].in), cases[i].out) << i;
    }
}

TEST(PathTextTest, EnsureTrailingBackslashTrimsTheCallersPath)
{
    struct Case {
        std::wstring in, result, pathAfter;
    } cases[] = {
        {L"", L"", L""},
        {L"   ", L"\\", L""},
        {L"\\", L"\\", L"\\"},
        {L"C:\\a", L"C:\\a\\", L"C:\\a"},
        {L" C:\\a\\ ", L"C:\\a\\", L"C:\\a\\"},
        {L"C:\\a\t", L"C:\\a\t\\", L"C:\\a\t"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::wstring path = cases[i].in;
        EXPECT_EQ(EnsureTrailingBackslash(path), cases[i].result) << i;
        EXPECT_EQ(path, cases[i].pathAfter) << i;
    }
}
