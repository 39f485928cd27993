// PDFCreator.exe run as a process, as CommandLine.exe and print commands run
// it, with a converter folder (spool and log) of the test's own.
#include "ConverterFolder.h"
#include "ConverterLog.h"
#include "ConverterMain.h"
#include "FileContent.h"
#include "OutputFile.h"
#include "Spool.h"

#include "AnsiText.h"
#include "Handle.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

namespace Converter {

// Failure messages show the number, as the README lists it.
void PrintTo(ExitCode code, std::ostream* out)
{
    *out << static_cast<int>(code);
}

namespace {

namespace fs = std::filesystem;
using Global::ReadFileBytes;
using Global::WriteFileBytes;

Global::KernelHandle Start(const std::wstring& arguments)
{
    std::string commandLine = "\"" PDFCREATOR_PATH "\" " + Global::ToAnsi(arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << ::GetLastError();
    }
    ::CloseHandle(info.hThread);
    return Global::KernelHandle(info.hProcess);
}

// A run that outlasts a minute is killed and fails the test.
ExitCode Finish(const Global::KernelHandle& process)
{
    DWORD code = 99;
    if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), code);
        ADD_FAILURE() << "PDFCreator.exe did not end within a minute";
    }
    ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<ExitCode>(code);
}

ExitCode RunConverter(const std::wstring& arguments)
{
    return Finish(Start(arguments));
}

class ConverterProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(temp_);
        fs::create_directories(temp_ / "PDFCreator");
        ::SetEnvironmentVariableW(L"TMP", temp_.c_str());
        ::SetEnvironmentVariableW(L"TEMP", temp_.c_str());
        ::SetEnvironmentVariableA(ConverterFolderVariable, converter_.string().c_str());
        ASSERT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
    }

    void TearDown() override
    {
        RunConverter(L"/ClearCache /NoStart");
        std::error_code ignored;
        fs::remove_all(temp_, ignored);
    }

    // Writes the document and gives the arguments that print it.
    std::wstring Document(const std::string& name, const std::string& content) const
    {
        WriteFileBytes((temp_ / name).wstring(), content);
        return L"/PrintFile \"" + (temp_ / name).wstring() + L"\"";
    }

    void Signal(const std::string& content) const { WriteFileBytes(signal_.wstring(), content); }

    // The log's last line.
    std::string LastLogLine() const
    {
        std::string log = ReadFileBytes(LogFilePath(converter_.wstring()));
        return log.substr(log.rfind('\n', log.size() - 2) + 1);
    }
    void HandOver(const fs::path& output) const { Signal(output.string() + "\r\n"); }

    // Private to the test process, so its signal file is too.
    static inline const fs::path temp_ =
        fs::temp_directory_path() / ("ConverterProcess-" + std::to_string(::GetCurrentProcessId()));
    const fs::path signal_ = temp_ / "PDFCreator" / "CommandLine.txt";
    static inline const fs::path converter_ = temp_ / "converter";
    const Spool spool_{converter_.wstring()};
};

TEST_F(ConverterProcess, PrintFileTakesACopyAsJobAndReleasesOnlyAnEmptyFreeMarker)
{
    Signal("");
    EXPECT_EQ(RunConverter(Document("doc.txt", "some text\r\n")), ExitCode::Success);
    std::vector<std::wstring> jobs = spool_.PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ReadJob(jobs[0]).document, "some text\r\n");
    EXPECT_EQ(ReadJob(jobs[0]).documentName, (temp_ / "doc.txt").wstring());
    EXPECT_FALSE(fs::exists(signal_));
    EXPECT_TRUE(fs::exists(temp_ / "doc.txt")) << "the document itself stays where it is";

    Signal("C:\\out.pdf\r\n");
    EXPECT_EQ(RunConverter(Document("doc.txt", "x")), ExitCode::Success);
    ASSERT_TRUE(fs::exists(signal_)) << "a hand-over file is no marker";
    EXPECT_EQ(ReadFileBytes(signal_.wstring()), "C:\\out.pdf\r\n");

    Signal("");
    {
        Global::FileHandle held(::CreateFileW(signal_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(RunConverter(Document("doc.txt", "x")), ExitCode::Success);
        EXPECT_TRUE(fs::exists(signal_)) << "a held marker is not deleted";
    }
    EXPECT_EQ(spool_.PendingJobs().size(), 3u);
}

TEST_F(ConverterProcess, ADocumentThatCannotBeTakenTakesNoJobButReleasesTheMarkerAndIsLogged)
{
    fs::create_directories(temp_ / "folder.txt");
    Document("program.exe", std::string("MZ\x90\0\3\0\0\0\4\0\0\0\xFF\xFF\0\0", 16) + std::string(400, '\0'));
    const struct {
        std::wstring document;
        ExitCode code;
        const char* outcome;
    } cases[] = {
        {(temp_ / "absent.txt").wstring(), ExitCode::DocumentUnreadable, " unreadable job=- "},
        {(temp_ / "folder.txt").wstring(), ExitCode::DocumentUnreadable, " unreadable job=- "},
        {(temp_ / "program.exe").wstring(), ExitCode::DocumentRefused, " refused job=- "},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Signal("");
        EXPECT_EQ(RunConverter(L"/PrintFile \"" + cases[i].document + L"\""), cases[i].code) << "case " << i;
        EXPECT_FALSE(fs::exists(signal_)) << "case " << i << ": CommandLine.exe must not wait for a job that never comes";
        std::string last = LastLogLine();
        EXPECT_NE(last.find(cases[i].outcome), std::string::npos) << "case " << i << ": " << last;
        EXPECT_NE(last.find(Global::ToAnsi(cases[i].document)), std::string::npos) << "case " << i << ": " << last;
    }
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

TEST_F(ConverterProcess, JobsTakenAtOnceArriveUnderNamesOfTheirOwnAndClearCacheRemovesThem)
{
    std::wstring printFile = Document("doc.txt", "same document");
    std::vector<Global::KernelHandle> processes;
    for (int i = 0; i < 6; ++i) {
        processes.push_back(Start(printFile));
    }
    for (size_t i = 0; i < processes.size(); ++i) {
        EXPECT_EQ(Finish(processes[i]), ExitCode::Success) << "process " << i;
    }
    std::vector<std::wstring> jobs = spool_.PendingJobs();
    EXPECT_EQ(jobs.size(), processes.size());
    // Six writers at once, through the log's mutex: no line lost or torn.
    std::string log = ReadFileBytes(LogFilePath(converter_.wstring()));
    for (const std::wstring& job : jobs) {
        std::string line = " taken job=" + Global::ToAnsi(fs::path(job).filename().wstring()) + " document=\"";
        size_t at = log.find(line);
        EXPECT_NE(at, std::string::npos) << "no log line for " << fs::path(job).filename();
        EXPECT_EQ(log.find(line, at + 1), std::string::npos) << "two log lines for " << fs::path(job).filename();
    }
    EXPECT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

TEST_F(ConverterProcess, ConversionRendersTheOldestJobOverAnExistingFileAndRemovesOnlyThatJob)
{
    ASSERT_EQ(RunConverter(Document("a.txt", "first job")), ExitCode::Success);
    ASSERT_EQ(RunConverter(Document("b.txt", "second job")), ExitCode::Success);
    WriteFileBytes((temp_ / "out.pdf").wstring(), "old content that is longer than nothing");
    HandOver(temp_ / "out.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    std::string pdf = ReadFileBytes((temp_ / "out.pdf").wstring());
    EXPECT_NE(pdf.find("/Title (a.txt)"), std::string::npos);
    std::vector<std::wstring> jobs = spool_.PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ReadJob(jobs[0]).document, "second job");
    std::string log = ReadFileBytes(LogFilePath(converter_.wstring()));
    size_t converted = log.find(" converted job=");
    EXPECT_NE(converted, std::string::npos);
    EXPECT_EQ(log.find(" converted job=", converted + 1), std::string::npos) << "one line per run";
}

// A scanner or a backup program reads the job without letting it be deleted:
// the job is not converted while it could be converted again, and once let
// go it is converted once.
TEST_F(ConverterProcess, AJobHeldOpenIsConvertedOnceAndOnlyOnceLetGo)
{
    ASSERT_EQ(RunConverter(Document("a.txt", "the only job")), ExitCode::Success);
    std::vector<std::wstring> jobs = spool_.PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    {
        Global::FileHandle held(::CreateFileW(jobs[0].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              0, nullptr));
        ASSERT_TRUE(held.IsValid());
        HandOver(temp_ / "first.pdf");
        EXPECT_EQ(RunConverter(L""), ExitCode::SpoolUnusable);
        EXPECT_FALSE(fs::exists(temp_ / "first.pdf"));
        EXPECT_NE(LastLogLine().find(" failed job=- "), std::string::npos) << LastLogLine();
        EXPECT_NE(LastLogLine().find(fs::path(jobs[0]).filename().string()), std::string::npos) << LastLogLine();
    }
    EXPECT_EQ(spool_.PendingJobs(), jobs);
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    EXPECT_TRUE(fs::exists(temp_ / "first.pdf"));
    HandOver(temp_ / "second.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::NoPendingJob);
    EXPECT_FALSE(fs::exists(temp_ / "second.pdf")) << "the job was converted twice";
}

// Held once taken, a job cannot be removed: it stays taken, is never handed
// out again, and goes when the cache is next cleared.
TEST_F(ConverterProcess, ATakenJobThatCannotBeRemovedIsNeverHandedOutAgain)
{
    ASSERT_EQ(RunConverter(Document("a.txt", "x")), ExitCode::Success);
    TakenJob taken = spool_.TakeOldestJob();
    {
        Global::FileHandle held(::CreateFileW(taken.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_THROW(spool_.Remove(taken), Failure);
    }
    EXPECT_TRUE(spool_.PendingJobs().empty());
    try {
        spool_.TakeOldestJob();
        ADD_FAILURE() << "a taken job was handed out again";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Code(), ExitCode::NoPendingJob);
    }
    EXPECT_TRUE(fs::exists(taken.path));
    EXPECT_EQ(spool_.Clear(), 1);
    EXPECT_FALSE(fs::exists(taken.path));
}

// Every run's failure reaches the log, a clearing's too.
TEST_F(ConverterProcess, ASpoolThatCannotBeUsedIsLoggedForEveryRun)
{
    fs::remove_all(converter_ / "Spool");
    WriteFileBytes((converter_ / "Spool").wstring(), "a file where the spool should be");
    const std::wstring cases[] = {L"/ClearCache /NoStart", L"", Document("a.txt", "x")};
    HandOver(temp_ / "out.pdf");
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(RunConverter(cases[i]), ExitCode::SpoolUnusable) << "case " << i;
        EXPECT_NE(LastLogLine().find(" failed job=- "), std::string::npos) << "case " << i << ": " << LastLogLine();
        EXPECT_NE(LastLogLine().find((converter_ / "Spool").string()), std::string::npos) << "case " << i;
    }
    fs::remove(converter_ / "Spool");
}

TEST_F(ConverterProcess, FailedConversionWritesNoFileAndKeepsTheJob)
{
    HandOver(temp_ / "out.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::NoPendingJob);
    ASSERT_EQ(RunConverter(Document("a.txt", "x")), ExitCode::Success);
    fs::create_directories(temp_ / "folder.pdf");
    WriteFileBytes((temp_ / "held.pdf").wstring(), "old");
    // Without FILE_SHARE_DELETE the file can be neither replaced nor renamed over.
    Global::FileHandle held(::CreateFileW((temp_ / "held.pdf").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    const struct {
        std::optional<std::string> signal; // nothing: no hand-over file
        ExitCode code;
    } cases[] = {
        {std::nullopt, ExitCode::NoOutputPath},
        {"", ExitCode::NoOutputPath},
        {"\r\n" + (temp_ / "out.pdf").string() + "\r\n", ExitCode::NoOutputPath}, // an empty first line
        {(temp_ / "absent" / "out.pdf").string() + "\r\n", ExitCode::OutputNotWritable},
        {(temp_ / "folder.pdf").string() + "\r\n", ExitCode::OutputNotWritable},
        {(temp_ / "bad|name.pdf").string() + "\r\n", ExitCode::OutputNotWritable},
        {(temp_ / "held.pdf").string() + "\r\n", ExitCode::OutputNotWritable},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        fs::remove(signal_);
        if (cases[i].signal) {
            Signal(*cases[i].signal);
        }
        EXPECT_EQ(RunConverter(L""), cases[i].code) << "case " << i;
        // The reason names the path the caller chose, never a file of ours.
        if (cases[i].code == ExitCode::OutputNotWritable) {
            std::string path = cases[i].signal->substr(0, cases[i].signal->size() - 2);
            EXPECT_NE(LastLogLine().find("reason=\"The output file '" + path + "' could not be written"),
                      std::string::npos) << "case " << i << ": " << LastLogLine();
            EXPECT_EQ(LastLogLine().find(".partial"), std::string::npos) << "case " << i << ": " << LastLogLine();
        }
    }
    fs::remove(signal_);
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(temp_)) {
        entries.push_back(entry.path().filename());
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<fs::path>{"PDFCreator", "a.txt", "converter", "folder.pdf", "held.pdf"}));
    EXPECT_TRUE(fs::is_empty(temp_ / "folder.pdf"));
    EXPECT_EQ(ReadFileBytes((temp_ / "held.pdf").wstring()), "old");
    EXPECT_EQ(spool_.PendingJobs().size(), 1u);
}

// A converter killed while it wrote left its partial file beside the output:
// the next conversion to that output removes it, and only it.
TEST_F(ConverterProcess, APartialFileOfAKilledRunIsRemovedAndNothingElse)
{
    // Held open, the ended converter's id is not given to another process.
    Global::KernelHandle ended = Start(L"/Bogus");
    ASSERT_EQ(Finish(ended), ExitCode::BadArguments);
    std::string commandLine = "\"" PDFCREATOR_PATH "\" /Bogus";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                 nullptr, &startup, &info));
    Global::KernelHandle running(info.hProcess);
    Global::KernelHandle thread(info.hThread);
    Global::ScopeExit kill([&] { ::TerminateProcess(running.Get(), 1); });

    const std::wstring dead = PartialFileName(L"out.pdf", ::GetProcessId(ended.Get()));
    const std::wstring removed[] = {dead, PartialFileName(L"OUT.PDF", ::GetCurrentProcessId())};
    const std::wstring kept[] = {
        PartialFileName(L"out.pdf", info.dwProcessId), // a converter still writes it
        PartialFileName(L"other.pdf", ::GetProcessId(ended.Get())),
        dead + L".txt",
        L"out.pdf.partial",
        L"out.pdf.PDFCreator-0" + std::to_wstring(::GetProcessId(ended.Get())) + L".partial",
        L"out.pdf.PDFCreator-12x.partial",
        L"out.pdf.PDFCreator-.partial",
    };
    for (const std::wstring& name : removed) {
        WriteFileBytes((temp_ / name).wstring(), "%PDF-1.5 cut short");
    }
    for (const std::wstring& name : kept) {
        WriteFileBytes((temp_ / name).wstring(), "a file of the user's");
    }
    ASSERT_EQ(RunConverter(Document("a.txt", "x")), ExitCode::Success);
    HandOver(temp_ / "out.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    EXPECT_EQ(ReadFileBytes((temp_ / "out.pdf").wstring()).substr(0, 5), "%PDF-");
    for (const std::wstring& name : removed) {
        EXPECT_FALSE(fs::exists(temp_ / name)) << fs::path(name);
    }
    for (const std::wstring& name : kept) {
        EXPECT_TRUE(fs::exists(temp_ / name)) << fs::path(name);
    }

    // An output whose path leaves no room for the suffix within MAX_PATH.
    std::wstring longName(MAX_PATH - 2 - temp_.wstring().size() - 4, L'n');
    longName += L".pdf";
    WriteFileBytes((temp_ / PartialFileName(L"", ::GetProcessId(ended.Get()))).wstring(), "%PDF-1.5 cut short");
    ASSERT_EQ(RunConverter(Document("b.txt", "y")), ExitCode::Success);
    HandOver(temp_ / longName);
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    EXPECT_TRUE(fs::exists(temp_ / longName));
    EXPECT_FALSE(fs::exists(temp_ / PartialFileName(L"", ::GetProcessId(ended.Get()))));
}

TEST_F(ConverterProcess, UnknownCommandLinesAreRefused)
{
    const std::wstring cases[] = {L"/Bogus", L"/PrintFile", L"/PrintFile a b", L"/ClearCache /Start", L"PrintFile x"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(RunConverter(cases[i]), ExitCode::BadArguments) << "case " << i;
    }
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

} // namespace
} // namespace Converter
