#include "ConversionSequence.h"

#include "Error.h"
#include "FileProbes.h"
#include "MessageBoxProbe.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

using namespace Ardenfold_API;
using namespace std::chrono_literals;

namespace {

// Runs the sequence in a folder of its own, with no converter in the program
// folder (its runs fail to start) and a short marker wait.
class ConversionSequenceTest : public ::testing::Test {
protected:
    TestFiles::TempFolder folder{L"ConversionSequenceTest"};
    RunContext context;
    ConversionSettings settings;

    void SetUp() override
    {
        context.SignalFilePath = folder / L"CommandLine.txt";
        settings.programFolder = folder.Path();
        settings.markerWaitLimit = 500ms;
    }

    ExitCode Run()
    {
        ExitStatus status;
        RunConversion(context, settings, status);
        return status.Code();
    }

    std::wstring RemoveMarker() const { return L"cmd /c del \"" + context.SignalFilePath + L"\""; }
};

} // namespace

TEST_F(ConversionSequenceTest, CommandLinesOfTheConverter)
{
    EXPECT_EQ(ClearCacheCommandLine(L"C:\\Program Files\\Conv"),
              L"\"C:\\Program Files\\Conv\\PDFCreator.exe\" /ClearCache /NoStart");
    EXPECT_EQ(ConverterCommandLine(L"C:\\Program Files\\Conv"), L"C:\\Program Files\\Conv\\PDFCreator.exe");
}

TEST_F(ConversionSequenceTest, PrintCommandThatCannotStartDoesNotWait)
{
    context.PrintCommand = L"Z:\\no\\such\\printer.exe";
    context.OutputPath = folder / L"out.pdf";
    settings.markerWaitLimit = 60s; // would be felt if the run waited
    DWORD start = ::GetTickCount();
    EXPECT_EQ(Run(), ExitCode::PrintNotDelivered);
    EXPECT_LT(::GetTickCount() - start, 30000u);
    EXPECT_FALSE(Global::FileExists(context.SignalFilePath));
}

TEST_F(ConversionSequenceTest, MarkerNobodyRemovesEndsTheWaitAtItsLimit)
{
    context.PrintCommand = L"cmd /c exit 0";
    context.OutputPath = folder / L"out.pdf";
    EXPECT_EQ(Run(), ExitCode::PrintNotDelivered);
    // The marker is removed and no hand-over was written.
    EXPECT_FALSE(Global::FileExists(context.SignalFilePath));
}

TEST_F(ConversionSequenceTest, MarkerRemovedGoesOnToTheHandOverAndCleansUp)
{
    std::wstring output = folder / L"out.pdf";
    // The print run itself writes the document, then removes the marker as the
    // converter side would.
    context.PrintCommand = L"cmd /c echo x> \"" + output + L"\" & del \"" + context.SignalFilePath + L"\"";
    context.OutputPath = output;
    EXPECT_EQ(Run(), ExitCode::Success);
    EXPECT_FALSE(Global::FileExists(context.SignalFilePath));
}

TEST_F(ConversionSequenceTest, NoDocumentAtTheOutputPath)
{
    context.PrintCommand = RemoveMarker();
    context.OutputPath = folder / L"never-written.pdf";
    EXPECT_EQ(Run(), ExitCode::NoDocument);
    EXPECT_FALSE(Global::FileExists(context.SignalFilePath));
}

TEST_F(ConversionSequenceTest, AnOldDocumentIsNotMistakenForANewOne)
{
    std::wstring output = folder / L"old.pdf";
    TestFiles::WriteBytes(output, "old");
    HANDLE file = ::CreateFileW(output.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER old{};
    old.LowPart = now.dwLowDateTime;
    old.HighPart = now.dwHighDateTime;
    old.QuadPart -= 3600ULL * 10'000'000ULL;
    FILETIME anHourAgo{old.LowPart, old.HighPart};
    ::SetFileTime(file, nullptr, nullptr, &anHourAgo);
    ::CloseHandle(file);

    context.PrintCommand = RemoveMarker();
    context.OutputPath = output;
    EXPECT_EQ(Run(), ExitCode::NoDocument);
}

TEST_F(ConversionSequenceTest, EmptyOutputPathIsNotChecked)
{
    context.PrintCommand = RemoveMarker();
    context.OutputPath = L"";
    EXPECT_EQ(Run(), ExitCode::Success);
}

TEST_F(ConversionSequenceTest, FreeStaleFileIsReplacedByAnEmptyMarker)
{
    TestFiles::WriteBytes(context.SignalFilePath, "stale content");
    std::wstring copy = folder / L"seen.txt";
    // The print run copies what it finds, then removes it.
    context.PrintCommand = L"cmd /c copy \"" + context.SignalFilePath + L"\" \"" + copy + L"\" & del \"" +
                           context.SignalFilePath + L"\"";
    context.OutputPath = L"";
    EXPECT_EQ(Run(), ExitCode::Success);
    ASSERT_TRUE(Global::FileExists(copy));
    EXPECT_EQ(TestFiles::ReadBytes(copy), "");
}

TEST_F(ConversionSequenceTest, MarkerThatCannotBeMadeIsReportedAndTheRunGoesOn)
{
    // A folder in the signal file's place: no marker can be made there, and
    // no converter will ever remove it.
    ASSERT_TRUE(::CreateDirectoryW(context.SignalFilePath.c_str(), nullptr));
    std::wstring printed = folder / L"printed.txt";
    context.PrintCommand = L"cmd /c echo printed> \"" + printed + L"\"";
    context.OutputPath = folder / L"out.pdf";
    // The missing-files box: this process's own (never another test's),
    // answered by a thread of the test, each box once.
    std::atomic<bool> done{false};
    std::atomic<int> boxes{0};
    std::thread answerer([&] {
        HWND answered = nullptr;
        while (!done) {
            std::optional<TestSupport::SeenBox> box = TestSupport::FindMessageBox(::GetCurrentProcessId());
            if (box && box->window != answered) {
                EXPECT_EQ(box->title, "CommandLine");
                TestSupport::PressButton(*box, IDOK);
                answered = box->window;
                ++boxes;
            }
            ::Sleep(20);
        }
    });
    ExitStatus status;
    bool deleteFailed = false;
    try {
        RunConversion(context, settings, status);
    } catch (const Global::Error&) {
        deleteFailed = true; // the end-of-run delete meets the folder
    }
    done = true;
    answerer.join();
    EXPECT_GE(boxes, 1);
    EXPECT_TRUE(deleteFailed);
    EXPECT_EQ(status.Code(), ExitCode::SignalFileUnusable);
    EXPECT_TRUE(Global::FileExists(printed)); // the print run still took place
    EXPECT_TRUE(Global::FolderExists(context.SignalFilePath));
}
