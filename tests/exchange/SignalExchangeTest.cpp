// Both sides of the signal-file exchange against real files: where each
// program finds the file, and the converter's two steps. CommandLine.exe's
// steps are exercised through its conversion sequence (DriverTest) and end
// to end (FaultMatrixTest).
#include "SignalExchange.h"
#include "SignalFileLocation.h"

#include "Error.h"
#include "FileProbes.h"
#include "SystemLocations.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

using namespace SignalExchange;

namespace {

// Points TMP at a folder of the test for as long as it lives.
class TemporaryFolderVariable {
public:
    explicit TemporaryFolderVariable(const std::wstring& folder)
    {
        ::SetEnvironmentVariableW(L"TMP", (folder + L"\\").c_str());
    }
    ~TemporaryFolderVariable() { ::SetEnvironmentVariableW(L"TMP", previous_.empty() ? nullptr : previous_.c_str()); }

private:
    std::wstring previous_ = [] {
        wchar_t value[1024] = {};
        DWORD n = ::GetEnvironmentVariableW(L"TMP", value, 1024);
        return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
    }();
};

TEST(SignalFileLocationTest, BothProgramsFindTheSameFileAndTheConverterMakesNothing)
{
    TestFiles::TempFolder folder(L"SignalFileLocationTest");
    TemporaryFolderVariable tmp(folder.Path());
    const std::wstring work = folder / L"PDFCreator";

    // The converter side before any run: the working folder is missing, so
    // the rule falls back to the data folder, and nothing is made.
    std::wstring common = Global::GetShellFolderPath(CommonAppDataFolder);
    std::wstring dataFolder = common.empty() ? Global::GetProgramFolder()
                                             : common + L"\\Marrowgate\\" + BuildAppFolderName();
    EXPECT_EQ(FindSignalFilePath(), dataFolder + L"\\CommandLine.txt");
    EXPECT_FALSE(Global::FileExists(work));

    // CommandLine.exe's start-up makes the working folder; from then on both find the file there.
    EXPECT_EQ(ResolveSignalFilePath(L"C:\\unused"), work + L"\\CommandLine.txt");
    EXPECT_TRUE(Global::FolderExists(work));
    EXPECT_EQ(FindSignalFilePath(), work + L"\\CommandLine.txt");
}

TEST(SignalFileLocationTest, AFolderMadeMeanwhileByAnotherRunWillDoButAFileWillNot)
{
    TestFiles::TempFolder folder(L"SignalFileLocationTest");
    const std::wstring made = folder / L"made";
    MakeFolder(made);
    EXPECT_NO_THROW(MakeFolder(made));
    EXPECT_TRUE(Global::FolderExists(made));

    const std::wstring file = folder / L"file";
    ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_THROW(MakeFolder(file), Global::Error);
}

// The application's folder made by another program between two tests of
// start-up: both tests of the last step are still made, in order, and
// nothing is made.
TEST(SignalFileLocationTest, DataFolderStartUpMakesEveryFolderTestInOrder)
{
    std::wstring common = Global::GetShellFolderPath(CommonAppDataFolder);
    ASSERT_FALSE(common.empty());
    const std::wstring maker = common + L"\\Marrowgate";
    const std::wstring app = maker + L"\\Test Application";
    std::vector<std::wstring> tested;
    const bool answers[] = {false, true, true, true};
    auto folderExists = [&](const std::wstring& path) {
        tested.push_back(path);
        return tested.size() <= std::size(answers) && answers[tested.size() - 1];
    };
    EXPECT_EQ(ResolveDataFolder(L"Test Application", folderExists), app);
    EXPECT_EQ(tested, (std::vector<std::wstring>{app, maker, app, maker}));
    EXPECT_FALSE(Global::FileExists(app)) << "nothing is made";
}

// The marker is released only where it is the one the print run began
// with: a run that has given up, and a later run's marker, keep what they
// have, and the job is handed over only with its own marker.
TEST(SignalExchangeTest, TheConverterReleasesOnlyTheMarkerItAnswers)
{
    TestFiles::TempFolder folder(L"SignalExchangeTest");
    const std::wstring signal = folder / L"CommandLine.txt";
    const std::wstring aside = folder / L"aside.txt";
    enum class Then { Nothing, Removed, Replaced, ReplacedAfterDelete, HandedOver, Held, HeldSharingDelete, Folder };
    const struct {
        const char* situation;
        Then then; // what happens to the marker between the start of the print run and the release
        MarkerRelease result;
        bool left; // a file or folder is at the signal file's place afterwards
    } cases[] = {
        {"the same marker", Then::Nothing, MarkerRelease::Released, false},
        {"its run gave up and removed it", Then::Removed, MarkerRelease::NotAnswered, false},
        {"a later run's marker while the old one still exists elsewhere", Then::Replaced, MarkerRelease::NotAnswered,
         true},
        {"a later run's marker in place of a deleted one", Then::ReplacedAfterDelete, MarkerRelease::NotAnswered, true},
        {"a hand-over file written over it", Then::HandedOver, MarkerRelease::NotAnswered, true},
        {"held by another process", Then::Held, MarkerRelease::Held, true},
        {"held by a process that lets it be deleted", Then::HeldSharingDelete, MarkerRelease::Released, false},
        {"a folder in its place", Then::Folder, MarkerRelease::NotAnswered, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        TestFiles::WriteBytes(signal, "");
        std::optional<MarkerIdentity> marker = IdentifyMarker(signal);
        ASSERT_TRUE(marker.has_value());
        Global::FileHandle holder;
        switch (c.then) {
        case Then::Nothing:
            break;
        case Then::Removed:
            ASSERT_TRUE(::DeleteFileW(signal.c_str()));
            break;
        case Then::Replaced:
            ASSERT_TRUE(::MoveFileW(signal.c_str(), aside.c_str()));
            TestFiles::WriteBytes(signal, "");
            break;
        case Then::ReplacedAfterDelete:
            ASSERT_TRUE(::DeleteFileW(signal.c_str()));
            // A later run's marker comes seconds later at the least; the
            // file system may give it the same file index again.
            ::Sleep(50);
            TestFiles::WriteBytes(signal, "");
            break;
        case Then::HandedOver:
            TestFiles::WriteBytes(signal, "C:\\out.pdf\r\n");
            break;
        case Then::Held:
            holder = TestSupport::HoldFile(Global::ToAnsi(signal));
            break;
        case Then::HeldSharingDelete:
            holder = Global::FileHandle(::CreateFileW(signal.c_str(), GENERIC_READ,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
            break;
        case Then::Folder:
            ASSERT_TRUE(::DeleteFileW(signal.c_str()));
            ASSERT_TRUE(::CreateDirectoryW(signal.c_str(), nullptr));
            break;
        }
        bool handedOver = false;
        EXPECT_EQ(ReleaseMarker(signal, *marker, [&] { handedOver = true; }), c.result);
        holder.Reset();
        EXPECT_EQ(handedOver, c.result == MarkerRelease::Released);
        EXPECT_EQ(Global::FileExists(signal), c.left);
        ::RemoveDirectoryW(signal.c_str());
        ::DeleteFileW(signal.c_str());
        ::DeleteFileW(aside.c_str());
    }
    EXPECT_FALSE(IdentifyMarker(signal).has_value()) << "no file";
    TestFiles::WriteBytes(signal, "C:\\out.pdf\r\n");
    EXPECT_FALSE(IdentifyMarker(signal).has_value()) << "a hand-over file is no marker";
    ::DeleteFileW(signal.c_str());
}

// A job that cannot be handed over still lets the waiting run go on.
TEST(SignalExchangeTest, TheMarkerGoesEvenWhenTheHandOverFails)
{
    TestFiles::TempFolder folder(L"SignalExchangeTest");
    const std::wstring signal = folder / L"CommandLine.txt";
    TestFiles::WriteBytes(signal, "");
    std::optional<MarkerIdentity> marker = IdentifyMarker(signal);
    ASSERT_TRUE(marker.has_value());
    EXPECT_THROW(ReleaseMarker(signal, *marker, [] { throw Global::Error(L"no job"); }), Global::Error);
    EXPECT_FALSE(Global::FileExists(signal));
}

TEST(SignalExchangeTest, TheConverterReadsTheFirstLineOfTheHandOver)
{
    TestFiles::TempFolder folder(L"SignalExchangeTest");
    const std::wstring signal = folder / L"CommandLine.txt";
    const struct {
        const char* content; // nullptr: no file
        std::wstring path;   // empty: an error beginning with error
        std::wstring error;
    } cases[] = {
        {"C:\\Docs\\report.pdf\r\n", L"C:\\Docs\\report.pdf", L""},
        {"C:\\a b.pdf\nsecond line", L"C:\\a b.pdf", L""},
        {"C:\\lone cr.pdf\r", L"C:\\lone cr.pdf", L""},
        {"\r\n", L"", L"The hand-over file \"" + signal + L"\" names no output file."},
        {nullptr, L"", L"No hand-over file: The file \"" + signal + L"\" could not be opened: "},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        ::DeleteFileW(signal.c_str());
        if (c.content != nullptr) {
            TestFiles::WriteBytes(signal, c.content);
        }
        try {
            EXPECT_EQ(ReadHandOverPath(signal), c.path) << i;
            EXPECT_TRUE(c.error.empty()) << i;
        } catch (const Global::Error& error) {
            EXPECT_EQ(error.Description().rfind(c.error, 0), 0u) << i;
            EXPECT_FALSE(c.error.empty()) << i;
        }
    }
}

} // namespace
