// PDFCreator.exe run as a process, as CommandLine.exe and print commands run
// it. Each test has a private temporary folder (inherited through TMP and
// TEMP), so the signal file is its own; the spool is the user's one and is
// emptied before each test.
#include "ConverterMain.h"
#include "FileContent.h"
#include "Spool.h"

#include "AnsiText.h"
#include "Handle.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <vector>

namespace Converter {
namespace {

namespace fs = std::filesystem;

constexpr DWORD RunLimitMs = 60000;

class ConverterProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        temp_ = fs::temp_directory_path() / ("ConverterProcess-" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(temp_);
        fs::create_directories(temp_ / "PDFCreator");
        previousTmp_ = Variable("TMP");
        previousTemp_ = Variable("TEMP");
        ::SetEnvironmentVariableA("TMP", temp_.string().c_str());
        ::SetEnvironmentVariableA("TEMP", temp_.string().c_str());
        ASSERT_EQ(Run(L"/ClearCache /NoStart"), 0);
        ASSERT_TRUE(PendingJobs().empty());
    }

    void TearDown() override
    {
        Run(L"/ClearCache /NoStart");
        ::SetEnvironmentVariableA("TMP", previousTmp_.c_str());
        ::SetEnvironmentVariableA("TEMP", previousTemp_.c_str());
        std::error_code ignored;
        fs::remove_all(temp_, ignored);
    }

    static std::string Variable(const char* name)
    {
        char buffer[MAX_PATH] = {};
        ::GetEnvironmentVariableA(name, buffer, MAX_PATH);
        return buffer;
    }

    // Runs PDFCreator.exe with the arguments and returns its exit code; a run
    // that outlasts the limit is killed and fails the test.
    static int Run(const std::wstring& arguments)
    {
        std::string commandLine = "\"" PDFCREATOR_PATH "\" " + Global::ToAnsi(arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info)) {
            ADD_FAILURE() << "cannot start " << commandLine << ": " << ::GetLastError();
            return -1;
        }
        Global::KernelHandle process(info.hProcess);
        Global::KernelHandle thread(info.hThread);
        if (::WaitForSingleObject(process.Get(), RunLimitMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.Get(), 99);
            ::WaitForSingleObject(process.Get(), 5000);
            ADD_FAILURE() << commandLine << " did not end within " << RunLimitMs << " ms";
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(process.Get(), &code);
        return static_cast<int>(code);
    }

    fs::path SignalFile() const { return temp_ / "PDFCreator" / "CommandLine.txt"; }

    fs::path WriteDocument(const std::string& name, const std::string& content) const
    {
        fs::path path = temp_ / name;
        WriteFileBytes(path.wstring(), content);
        return path;
    }

    void HandOver(const fs::path& output) const { WriteFileBytes(SignalFile().wstring(), output.string() + "\r\n"); }

    static std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

    static std::vector<fs::path> FolderEntries(const fs::path& folder)
    {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(folder)) {
            entries.push_back(entry.path().filename());
        }
        return entries;
    }

    fs::path temp_;
    std::string previousTmp_;
    std::string previousTemp_;
};

TEST_F(ConverterProcess, PrintFileTakesACopyAsJobAndReleasesTheEmptyMarker)
{
    fs::path document = WriteDocument("doc.txt", "some text\r\n");
    WriteFileBytes(SignalFile().wstring(), "");
    EXPECT_EQ(Run(L"/PrintFile " + Quoted(document)), 0);
    std::vector<std::wstring> jobs = PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ReadFileBytes(jobs[0]), "some text\r\n");
    EXPECT_FALSE(fs::exists(SignalFile()));
    EXPECT_TRUE(fs::exists(document)) << "the document itself stays where it is";
}

TEST_F(ConverterProcess, PrintFileLeavesAHandOverFileAndAHeldMarkerAlone)
{
    fs::path document = WriteDocument("doc.txt", "x");
    WriteFileBytes(SignalFile().wstring(), "C:\\out.pdf\r\n");
    EXPECT_EQ(Run(L"/PrintFile " + Quoted(document)), 0);
    EXPECT_EQ(ReadFileBytes(SignalFile().wstring()), "C:\\out.pdf\r\n");

    WriteFileBytes(SignalFile().wstring(), "");
    {
        Global::FileHandle held(::CreateFileA(SignalFile().string().c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(Run(L"/PrintFile " + Quoted(document)), 0);
        EXPECT_TRUE(fs::exists(SignalFile()));
    }
    EXPECT_EQ(PendingJobs().size(), 2u);
}

TEST_F(ConverterProcess, PrintFileOfAMissingDocumentTakesNoJobAndKeepsTheMarker)
{
    WriteFileBytes(SignalFile().wstring(), "");
    EXPECT_EQ(Run(L"/PrintFile " + Quoted(temp_ / "absent.txt")), static_cast<int>(ExitCode::DocumentUnreadable));
    EXPECT_TRUE(PendingJobs().empty());
    EXPECT_TRUE(fs::exists(SignalFile()));
}

TEST_F(ConverterProcess, JobsTakenAtOnceAllArriveUnderNamesOfTheirOwn)
{
    constexpr int Count = 6;
    fs::path document = WriteDocument("doc.txt", "same document");
    std::string commandLine = "\"" PDFCREATOR_PATH "\" /PrintFile \"" + document.string() + "\"";
    std::vector<Global::KernelHandle> processes;
    for (int i = 0; i < Count; ++i) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::string line = commandLine;
        ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &info));
        ::CloseHandle(info.hThread);
        processes.emplace_back(info.hProcess);
    }
    for (int i = 0; i < Count; ++i) {
        ASSERT_EQ(::WaitForSingleObject(processes[i].Get(), RunLimitMs), WAIT_OBJECT_0) << "process " << i;
        DWORD code = 1;
        ::GetExitCodeProcess(processes[i].Get(), &code);
        EXPECT_EQ(code, 0u) << "process " << i;
    }
    EXPECT_EQ(PendingJobs().size(), static_cast<size_t>(Count));
}

TEST_F(ConverterProcess, ClearCacheRemovesEveryPendingJob)
{
    fs::path document = WriteDocument("doc.txt", "x");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Run(L"/PrintFile " + Quoted(document)), 0);
    }
    ASSERT_EQ(PendingJobs().size(), 3u);
    EXPECT_EQ(Run(L"/ClearCache /NoStart"), 0);
    EXPECT_TRUE(PendingJobs().empty());
}

TEST_F(ConverterProcess, ConversionRendersTheOldestJobAndRemovesOnlyIt)
{
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("a.txt", "first job"))), 0);
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("b.txt", "second job"))), 0);
    fs::path output = temp_ / "out.pdf";
    HandOver(output);
    EXPECT_EQ(Run(L""), 0);
    std::string pdf = ReadFileBytes(output.wstring());
    EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
    EXPECT_NE(pdf.find("(first job) Tj"), std::string::npos);
    EXPECT_EQ(pdf.find("second job"), std::string::npos);
    std::vector<std::wstring> jobs = PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(ReadFileBytes(jobs[0]), "second job");
}

TEST_F(ConverterProcess, ConversionReplacesAnExistingOutputFile)
{
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("a.txt", "new content"))), 0);
    fs::path output = WriteDocument("out.pdf", "old content that is longer than nothing");
    HandOver(output);
    EXPECT_EQ(Run(L""), 0);
    EXPECT_NE(ReadFileBytes(output.wstring()).find("(new content) Tj"), std::string::npos);
}

TEST_F(ConverterProcess, ConversionWithoutAJobWritesNothing)
{
    fs::path output = temp_ / "out.pdf";
    HandOver(output);
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::NoPendingJob));
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(ConverterProcess, ConversionWithoutAnOutputPathWritesNothingAndKeepsTheJob)
{
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("a.txt", "x"))), 0);
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::NoOutputPath)) << "no hand-over file";
    WriteFileBytes(SignalFile().wstring(), "");
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::NoOutputPath)) << "an empty file";
    WriteFileBytes(SignalFile().wstring(), "\r\n" + (temp_ / "out.pdf").string() + "\r\n");
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::NoOutputPath)) << "an empty first line";
    EXPECT_FALSE(fs::exists(temp_ / "out.pdf"));
    EXPECT_EQ(PendingJobs().size(), 1u);
}

TEST_F(ConverterProcess, OutputInAMissingFolderFailsAndLeavesNothing)
{
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("a.txt", "x"))), 0);
    HandOver(temp_ / "absent" / "out.pdf");
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::OutputNotWritable));
    EXPECT_FALSE(fs::exists(temp_ / "absent"));
    EXPECT_EQ(PendingJobs().size(), 1u);
}

TEST_F(ConverterProcess, OutputThatCannotBeWrittenFailsAndLeavesNoPartialFile)
{
    ASSERT_EQ(Run(L"/PrintFile " + Quoted(WriteDocument("a.txt", "x"))), 0);
    fs::path folder = temp_ / "target";
    fs::create_directories(folder / "out.pdf");
    HandOver(folder / "out.pdf");
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::OutputNotWritable)) << "the output path is a folder";
    EXPECT_EQ(FolderEntries(folder), std::vector<fs::path>{"out.pdf"});
    EXPECT_TRUE(fs::is_directory(folder / "out.pdf"));

    HandOver(folder / "bad|name.pdf");
    EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::OutputNotWritable)) << "a name the file system refuses";
    EXPECT_EQ(FolderEntries(folder), std::vector<fs::path>{"out.pdf"});

    fs::path held = WriteDocument("held.pdf", "old");
    HandOver(held);
    {
        // Open without FILE_SHARE_DELETE: the file can be neither replaced nor renamed over.
        Global::FileHandle handle(::CreateFileA(held.string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(handle.IsValid());
        EXPECT_EQ(Run(L""), static_cast<int>(ExitCode::OutputNotWritable)) << "an output file held open";
    }
    EXPECT_EQ(ReadFileBytes(held.wstring()), "old");
    EXPECT_EQ(PendingJobs().size(), 1u);
}

TEST_F(ConverterProcess, UnknownCommandLinesAreRefused)
{
    const std::wstring cases[] = {L"/Bogus", L"/PrintFile", L"/PrintFile a b", L"/ClearCache /Start", L"PrintFile x"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Run(cases[i]), static_cast<int>(ExitCode::BadArguments)) << "case " << i;
    }
    EXPECT_TRUE(PendingJobs().empty());
}

} // namespace
} // namespace Converter
