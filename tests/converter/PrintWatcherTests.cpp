#include "AnsiText.h"
#include "ConverterMain.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "PrintWatcher.h"
#include "Spool.h"
#include "SystemLocations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Converter {
namespace {

using namespace Global;

TEST(PrintWatcher, AJobIsCompleteOnlyWhenItEndsAsPostScriptEnds)
{
    const struct {
        const char* bytes;
        bool complete;
    } cases[] = {
        {"%!PS-Adobe-3.0\n%%Trailer\n%%EOF\n", true},
        {"%!PS-Adobe-3.0\r\n%%EOF\r\n\x04", true}, // the end-of-job byte
        {"%%EOF", true},
        {"%!PS-Adobe-3.0\n%%Page: 1 1\nshowpage\n", false}, // cut after a page
        {"%!PS-Adobe-3.0\n%%EO", false},
        {"%%EOF\n%%Page: 2 2\n", false}, // another job's tail after a shorter job
        {"", false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(IsCompletePostScript(cases[i].bytes), cases[i].complete);
    }
    EXPECT_EQ(PostScriptTitle("%!PS-Adobe-3.0\n%%Creator: x\n%%Title: Known text\n%%EndComments\n"), L"Known text");
    EXPECT_EQ(PostScriptTitle("%!PS-Adobe-3.0\r\n%%Title: (report.txt)\r\n"), L"report.txt");
    EXPECT_EQ(PostScriptTitle("%!PS-Adobe-3.0\n%%Pages: 1\n"), L"");
}

// The watcher in this process against a port file, signal file and spool
// of the test's own, with short limits, as the print run of each case does
// its part.
class PortWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = StripTrailingBackslash(GetTempFolder()) + L"\\PrintWatcherTest-" +
                  std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryA(ToAnsi(folder_).c_str(), nullptr);
        port_ = folder_ + L"\\port.ps";
        signal_ = folder_ + L"\\CommandLine.txt";
    }
    void TearDown() override
    {
        for (const std::wstring& job : spool().PendingJobs()) {
            ::DeleteFileA(ToAnsi(job).c_str());
        }
        spool().Clear();
        for (const wchar_t* name : {L"\\port.ps", L"\\CommandLine.txt"}) {
            ::DeleteFileA(ToAnsi(folder_ + name).c_str());
        }
        ::RemoveDirectoryA(ToAnsi(Spool::FolderFor(signal_)).c_str());
        ::RemoveDirectoryA(ToAnsi(folder_).c_str());
    }

    Spool spool() const { return Spool(Spool::FolderFor(signal_)); }

    // Runs the watcher while the case's print run does its part, until it
    // has reported on one job (at most 10 s); then notes whether a marker
    // stands and takes it away, so that the watcher ends.
    std::vector<ExitCode> Watch(const std::function<void()>& printRun, bool& markerAfter, bool& portAfter)
    {
        std::vector<ExitCode> codes;
        WatchLimits limits{20, 300, 300, 200};
        std::atomic<size_t> reported = 0;
        std::thread watcher([&] {
            WatchPrinterPort(port_, signal_, spool(), limits, [&](ExitCode code, const RunReport&) {
                codes.push_back(code);
                ++reported;
            });
        });
        printRun();
        for (int i = 0; i < 100 && reported == 0; ++i) {
            ::Sleep(100);
        }
        markerAfter = FileExists(signal_);
        portAfter = FileExists(port_);
        ::DeleteFileA(ToAnsi(signal_).c_str());
        ::DeleteFileA(ToAnsi(port_).c_str());
        watcher.join();
        return codes;
    }

    std::wstring folder_, port_, signal_;
};

constexpr char kJob[] = "%!PS-Adobe-3.0\n%%Title: Known\n%%EndComments\n%%Page: 1 1\nshowpage\n%%EOF\n";

TEST_F(PortWatch, AJobGoesToTheRunWhoseMarkerStoodAsItCameOrToNobody)
{
    const struct {
        const char* name;
        bool marker;
        std::string job;
        bool markerReplacedWhileWritten; // the run gave up, a later one placed its own
        ExitCode code;
        size_t pending;
        bool markerAfter;
    } cases[] = {
        {"waited for", true, kJob, false, ExitCode::Success, 1, false},
        {"no run waits", false, kJob, false, ExitCode::NoRunWaiting, 0, false},
        {"cut short", true, "%!PS-Adobe-3.0\n%%Page: 1 1\n", false, ExitCode::DocumentRefused, 0, false},
        {"late", true, kJob, true, ExitCode::NoRunWaiting, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.marker) {
            WriteFileBytes(signal_, "");
        }
        bool markerAfter = false;
        bool portAfter = false;
        std::vector<ExitCode> codes = Watch([&] {
            // Written while held, as the printing process writes it.
            FileHandle held(::CreateFileA(ToAnsi(port_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(held);
            DWORD written = 0;
            ::WriteFile(held.Get(), c.job.data(), static_cast<DWORD>(c.job.size()), &written, nullptr);
            ::Sleep(150); // the watcher sees the job arrive
            if (c.markerReplacedWhileWritten) {
                ::DeleteFileA(ToAnsi(signal_).c_str());
                ::Sleep(20);
                WriteFileBytes(signal_, "");
                // A second on, so that even a file system that hands out the
                // same file index again tells the markers apart.
                FILETIME now{};
                ::GetSystemTimeAsFileTime(&now);
                ULARGE_INTEGER at{{now.dwLowDateTime, now.dwHighDateTime}};
                at.QuadPart += 10'000'000;
                FILETIME later{at.LowPart, at.HighPart};
                FileHandle marker(::CreateFileA(ToAnsi(signal_).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
                ::SetFileTime(marker.Get(), &later, nullptr, &later);
            }
        }, markerAfter, portAfter);
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0], c.code);
        EXPECT_EQ(spool().PendingJobs().size(), c.pending);
        EXPECT_EQ(markerAfter, c.markerAfter);
        EXPECT_FALSE(portAfter) << "the port must be clean for the next job";
        if (c.pending == 1) {
            JobHeader header = ReadJobHeader(spool().PendingJobs()[0]);
            EXPECT_EQ(header.kind.kind, Document::DocumentKind::PostScript);
            EXPECT_EQ(header.documentName, L"Known");
            EXPECT_EQ(ReadFileBytes(spool().PendingJobs()[0]).substr(header.documentOffset), c.job);
        }
        TearDown();
        SetUp();
    }
}

} // namespace
} // namespace Converter
