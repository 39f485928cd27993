#include "AnsiText.h"
#include "RunReport.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "ForeignFolders.h"
#include "Handle.h"
#include "PrintWatcher.h"
#include "PrintedJob.h"
#include "Spool.h"
#include "SystemLocations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

// The watcher in this process against a signal file, printed jobs folder
// and spool of the test's own, with short limits, as the port monitor and
// the print run of each case do their parts.
class PrintedJobsWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = StripTrailingBackslash(GetTempFolder()) + L"\\PrintWatcherTest-" +
                  std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryA(ToAnsi(folder_).c_str(), nullptr);
        signal_ = folder_ + L"\\CommandLine.txt";
        jobs_ = PreparePrintedJobsFolder(signal_);
    }
    void TearDown() override
    {
        spool().Clear();
        for (const std::wstring& job : SignalExchange::FinishedPrintedJobs(jobs_)) {
            ::DeleteFileA(ToAnsi(job).c_str());
        }
        for (const std::wstring& job : SignalExchange::UnfinishedPrintedJobs(jobs_)) {
            ::DeleteFileA(ToAnsi(job).c_str());
        }
        ::DeleteFileA(ToAnsi(signal_).c_str());
        ::RemoveDirectoryA(ToAnsi(jobs_).c_str());
        ::RemoveDirectoryA(ToAnsi(Spool::FolderFor(signal_)).c_str());
        ::RemoveDirectoryA(ToAnsi(folder_).c_str());
    }

    Spool spool() const { return Spool(Spool::FolderFor(signal_)); }

    // Runs the watcher while the case's port monitor and print run do their
    // part, until it has reported on one job (at most 20 s); then notes
    // whether a marker stands and ends the watcher.
    std::vector<ExitCode> Watch(const std::function<void()>& print, bool& markerAfter)
    {
        std::vector<ExitCode> codes;
        KernelHandle reported(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::atomic<bool> stop = false;
        std::thread watcher([&] {
            WatchPrintedJobs(signal_, spool(), WatchLimits{20, 300},
                             WatchControl{[&] { return stop.load(); }, [] { return false; }, [] { return false; },
                                          [&](ExitCode code, const RunReport&) {
                                              codes.push_back(code);
                                              ::SetEvent(reported.Get());
                                          }});
        });
        print();
        ::WaitForSingleObject(reported.Get(), 20'000);
        markerAfter = FileExists(signal_);
        stop = true;
        watcher.join();
        return codes;
    }

    std::wstring folder_, signal_, jobs_;
};

constexpr char kJob[] = "%!PS-Adobe-3.0\n%%Title: Known\n%%EndComments\n%%Page: 1 1\nshowpage\n%%EOF\n";

// A later run's marker in the place of the first: made beside it and moved
// over it, since a delete would only be pending while the watcher looks at
// the first, and a file made under its name meanwhile would go with it.
void PlaceNewMarker(const std::wstring& signal)
{
    std::wstring next = signal + L".next";
    WriteFileBytes(next, "");
    // A second on, so that even a file system that hands out the same file
    // index again tells the markers apart.
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at{{now.dwLowDateTime, now.dwHighDateTime}};
    at.QuadPart += 10'000'000;
    FILETIME later{at.LowPart, at.HighPart};
    {
        FileHandle marker(::CreateFileA(ToAnsi(next).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                        nullptr));
        ASSERT_TRUE(marker);
        ASSERT_TRUE(::SetFileTime(marker.Get(), &later, nullptr, &later));
    }
    // The watcher looks at the marker a moment at a time: a file open then
    // cannot be replaced, a moment later it can.
    bool moved = false;
    for (int i = 0; i < 200 && !moved; ++i) {
        moved = ::MoveFileExA(ToAnsi(next).c_str(), ToAnsi(signal).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (!moved) {
            ::Sleep(10);
        }
    }
    ASSERT_TRUE(moved);
}

TEST_F(PrintedJobsWatch, AJobGoesToTheRunWhoseMarkerStoodAsItBeganOrToNobody)
{
    enum class Print { Whole, Late, Killed, OverLimit, OpenToOthers, AnotherUsers };
    const struct {
        const char* name;
        bool marker;
        std::string job;
        Print print;
        ExitCode code;
        size_t pending;
        bool markerAfter;
    } cases[] = {
        {"waited for", true, kJob, Print::Whole, ExitCode::Success, 1, false},
        {"no run waits", false, kJob, Print::Whole, ExitCode::NoRunWaiting, 0, false},
        {"cut short", true, "%!PS-Adobe-3.0\n%%Page: 1 1\n", Print::Whole, ExitCode::DocumentRefused, 0, false},
        // The run gave up, a later one placed its own marker meanwhile.
        {"late", true, kJob, Print::Late, ExitCode::NoRunWaiting, 0, true},
        {"printing program killed", true, kJob, Print::Killed, ExitCode::DocumentRefused, 0, false},
        {"over the port's limit", true, kJob, Print::OverLimit, ExitCode::DocumentRefused, 0, false},
        // Only a job of this user's alone reaches a run, whatever marker it names.
        {"writable by others", true, kJob, Print::OpenToOthers, ExitCode::NoRunWaiting, 0, true},
        {"another user's", true, kJob, Print::AnotherUsers, ExitCode::NoRunWaiting, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.marker) {
            WriteFileBytes(signal_, "");
        }
        bool markerAfter = false;
        std::vector<ExitCode> codes = Watch([&] {
            auto writer = std::make_unique<SignalExchange::PrintedJobWriter>(
                jobs_, SignalExchange::IdentifyMarker(signal_));
            writer->Write(c.job);
            if (c.print == Print::OverLimit) {
                std::string piece(1u << 20, ' ');
                for (unsigned long long n = 0; n <= SignalExchange::MaxPrintedJobBytes >> 20; ++n) {
                    writer->Write(piece);
                }
            }
            if (c.print == Print::Late) {
                PlaceNewMarker(signal_);
            }
            if (c.print == Print::Killed) {
                // What a killed writer leaves: its unfinished file, unheld.
                std::wstring part = writer->PartPath();
                std::string bytes = SignalExchange::FormatPrintedJobHeader(SignalExchange::IdentifyMarker(signal_),
                                                                           {}) + c.job;
                writer.reset();
                WriteFileBytes(part, bytes);
                return;
            }
            // What another user's job would be: writable by them, or theirs.
            if (c.print == Print::OpenToOthers) {
                ASSERT_EQ(TestSupport::OpenToEveryone(writer->PartPath()), "");
            }
            if (c.print == Print::AnotherUsers) {
                ASSERT_EQ(TestSupport::GiveToAnotherUser(writer->PartPath()), "");
            }
            writer->Finish();
        }, markerAfter);
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0], c.code);
        EXPECT_EQ(spool().PendingJobs().size(), c.pending);
        EXPECT_EQ(markerAfter, c.markerAfter);
        EXPECT_TRUE(SignalExchange::FinishedPrintedJobs(jobs_).empty()) << "every job is dealt with once";
        EXPECT_TRUE(SignalExchange::UnfinishedPrintedJobs(jobs_).empty());
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

// A job that another program holds open (a scanner, a backup) is left for a
// later look; it never keeps the watcher from the jobs behind it.
TEST_F(PrintedJobsWatch, AJobHeldByAnotherProgramHoldsUpNoOther)
{
    SignalExchange::PrintedJobWriter earlier(jobs_, std::nullopt);
    earlier.Write(kJob);
    std::wstring held = earlier.PartPath().substr(0, earlier.PartPath().size() - 5);
    earlier.Finish();
    FileHandle scanner(::CreateFileA(ToAnsi(held).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(scanner);
    WriteFileBytes(signal_, "");
    bool markerAfter = true;
    std::vector<ExitCode> codes = Watch([&] {
        SignalExchange::PrintedJobWriter job(jobs_, SignalExchange::IdentifyMarker(signal_));
        job.Write(kJob);
        job.Finish();
    }, markerAfter);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0], ExitCode::Success);
    EXPECT_FALSE(markerAfter);
    EXPECT_EQ(SignalExchange::FinishedPrintedJobs(jobs_), std::vector<std::wstring>{held});
}

// A run that finds a watcher about to end keeps it: the watcher ends only
// under the start lock, and not while a run's request stands.
TEST_F(PrintedJobsWatch, AWatcherAskedForByARunDoesNotEnd)
{
    // The watcher's lock held by another thread, as a running watcher holds it.
    std::atomic<int> held = 0;
    KernelHandle taken(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    KernelHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread watching([&] {
        KernelHandle lock = TakeWatcherLock(signal_);
        held = lock ? 1 : -1;
        ::SetEvent(taken.Get());
        ::WaitForSingleObject(done.Get(), 60'000);
        ::ReleaseMutex(lock.Get());
    });
    ScopeExit finish([&] {
        ::SetEvent(done.Get());
        watching.join();
    });
    ::WaitForSingleObject(taken.Get(), 5'000);
    ASSERT_EQ(held.load(), 1) << "the other thread could not take the watcher's lock";
    WatcherEnd end(signal_);
    EXPECT_NO_THROW(EnsureWatcher(signal_)); // finds the watcher: no second one, a request instead
    EXPECT_FALSE(end.MayEnd());
    EXPECT_TRUE(end.MayEnd());
}

TEST(PrintedJob, AHeaderReadsBackAsWrittenAndNothingElseIsOne)
{
    SignalExchange::MarkerIdentity marker{0x1234, 1, 0xfffffffe, FILETIME{7, 8}, FILETIME{0xffffffff, 0}};
    std::string header = SignalExchange::FormatPrintedJobHeader(marker, "too large\r\nnext");
    auto parsed = SignalExchange::ParsePrintedJobHeader(header + "%!PS");
    ASSERT_TRUE(parsed);
    ASSERT_TRUE(parsed->marker);
    EXPECT_TRUE(*parsed->marker == marker);
    EXPECT_EQ(parsed->refusal, L"too large  next");
    EXPECT_EQ(parsed->bodyOffset, header.size());
    for (const char* bad : {"", "%!PS-Adobe-3.0\n", "ArdenfoldPrintedJob 1\r\n\r\n",
                            "ArdenfoldPrintedJob 1\r\nmarker 12\r\n\r\n",
                            "ArdenfoldPrintedJob 1\r\nmarker none\r\nsomething else\r\n\r\n",
                            "ArdenfoldPrintedJob 1\r\nmarker none\r\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(SignalExchange::ParsePrintedJobHeader(bad));
    }
}

} // namespace
} // namespace Converter
