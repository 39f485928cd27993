// PDFCreator.exe run as a process, as CommandLine.exe and print commands run
// it, with a converter folder (spool and log) of the test's own.
#include "ConverterFolder.h"
#include "ConverterLog.h"
#include "ConverterMain.h"
#include "PrintRun.h"
#include "FileContent.h"
#include "OutputFile.h"
#include "Spool.h"

#include "AnsiText.h"
#include "ForeignFolders.h"
#include "Handle.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
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

Global::KernelHandle Start(const std::wstring& arguments, const char* program = PDFCREATOR_PATH)
{
    std::string commandLine = "\"" + std::string(program) + "\" " + Global::ToAnsi(arguments);
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

ExitCode RunConverter(const std::wstring& arguments, const char* program = PDFCREATOR_PATH)
{
    return Finish(Start(arguments, program));
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

    // A printed job (the print watcher's, PostScript) waiting in the spool.
    void PrintPostScript(const std::string& postScript) const
    {
        bool given = false;
        spool_.Release(spool_.WriteJob(JobSource{L"printed",
                                                 [&]() -> std::string_view {
                                                     std::string_view piece = given ? std::string_view() : std::string_view(postScript);
                                                     given = true;
                                                     return piece;
                                                 },
                                                 [] { return JobKind{Document::DocumentKind::PostScript}; }}));
    }

    // Private to the test process, so its signal file is too.
    static inline const fs::path temp_ =
        fs::temp_directory_path() / ("ConverterProcess-" + std::to_string(::GetCurrentProcessId()));
    const fs::path signal_ = temp_ / "PDFCreator" / "CommandLine.txt";
    static inline const fs::path converter_ = temp_ / "converter";
    const Spool spool_{Spool::FolderFor(signal_.wstring())};
};

// A job is made for the run whose marker is there, and only with that
// marker does it become takeable; without one, nobody waits for it.
TEST_F(ConverterProcess, PrintFileTakesACopyAsJobOnlyForTheMarkerItReleases)
{
    const struct {
        const char* situation;
        std::optional<std::string> signal; // nothing: no signal file
        bool held;                         // held open, without letting it be deleted
        ExitCode code;
        size_t jobs;
        bool left;
    } cases[] = {
        {"an empty marker", "", false, ExitCode::Success, 1, false},
        {"no signal file", std::nullopt, false, ExitCode::NoRunWaiting, 0, false},
        {"a hand-over file", "C:\\out.pdf\r\n", false, ExitCode::NoRunWaiting, 0, true},
        {"a marker another process holds", "", true, ExitCode::UnexpectedError, 0, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].situation);
        spool_.Clear();
        fs::remove(signal_);
        if (cases[i].signal) {
            Signal(*cases[i].signal);
        }
        {
            Global::FileHandle held(cases[i].held ? ::CreateFileW(signal_.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                                  nullptr, OPEN_EXISTING, 0, nullptr)
                                                  : INVALID_HANDLE_VALUE);
            EXPECT_EQ(RunConverter(Document("doc.txt", "some text\r\n")), cases[i].code);
        }
        std::vector<std::wstring> jobs = spool_.PendingJobs();
        ASSERT_EQ(jobs.size(), cases[i].jobs);
        if (!jobs.empty()) {
            EXPECT_EQ(ReadJob(jobs[0]).document, "some text\r\n");
            EXPECT_EQ(ReadJob(jobs[0]).documentName, (temp_ / "doc.txt").wstring());
        }
        EXPECT_EQ(fs::exists(signal_), cases[i].left);
        if (cases[i].signal && cases[i].left) {
            EXPECT_EQ(ReadFileBytes(signal_.wstring()), *cases[i].signal);
        }
        EXPECT_TRUE(fs::exists(temp_ / "doc.txt")) << "the document itself stays where it is";
        std::vector<fs::path> unreleased;
        for (const auto& entry : fs::directory_iterator(spool_.Folder())) {
            if (entry.path().extension() == ".part") {
                unreleased.push_back(entry.path());
            }
        }
        EXPECT_TRUE(unreleased.empty()) << "a job nobody waits for was left behind";
    }
}

// A print run that outlives its run's wait for the marker: by then its run
// has given up and taken the marker away, and a later run may have placed
// its own. The late job never reaches that run's output.
TEST_F(ConverterProcess, APrintRunWhoseRunHasGivenUpDropsItsJob)
{
    WriteFileBytes((temp_ / "late.txt").wstring(), "the late document");
    for (bool laterRun : {false, true}) {
        SCOPED_TRACE(laterRun ? "a later run has placed its marker" : "no later run yet");
        Signal("");
        PrintRun late = BeginPrintRun(signal_.wstring());
        ASSERT_TRUE(late.marker.has_value());
        fs::remove(signal_);
        if (laterRun) {
            ASSERT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
            Signal("");
        }
        RunReport report;
        try {
            FinishPrintRun(late, spool_, (temp_ / "late.txt").wstring(), report);
            ADD_FAILURE() << "the late job was taken";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Code(), ExitCode::NoRunWaiting);
        }
        EXPECT_TRUE(spool_.PendingJobs().empty());
        EXPECT_EQ(fs::exists(signal_), laterRun) << "the later run's marker must stay";
    }
    ASSERT_EQ(RunConverter(Document("mine.txt", "the later run's own document")), ExitCode::Success);
    HandOver(temp_ / "out.pdf");
    ASSERT_EQ(RunConverter(L""), ExitCode::Success);
    std::string pdf = ReadFileBytes((temp_ / "out.pdf").wstring());
    EXPECT_NE(pdf.find("/Title (mine.txt)"), std::string::npos) << "the later run got another document";
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

// Only names the spool itself gives are cleared, and an unreleased job only
// once the print run that wrote it has ended.
TEST_F(ConverterProcess, ClearCacheRemovesADeadPrintRunsLeftoversAndNothingElse)
{
    Global::KernelHandle ended = Start(L"/Bogus"); // its id stays unused while the handle is open
    ASSERT_EQ(Finish(ended), ExitCode::BadArguments);
    auto unreleased = [&](DWORD processId) {
        char name[64];
        std::snprintf(name, sizeof name, "%020llu-%08lx.job.part", 134000000000000000ULL,
                      static_cast<unsigned long>(processId));
        return fs::path(spool_.Folder()) / name;
    };
    const fs::path dead = unreleased(::GetProcessId(ended.Get()));
    const fs::path alive = unreleased(::GetCurrentProcessId());
    const fs::path foreign[] = {fs::path(spool_.Folder()) / "notes.job.part",
                                fs::path(spool_.Folder()) / "prt1A2B.tmp"};
    for (const fs::path& path : {dead, alive, foreign[0], foreign[1]}) {
        WriteFileBytes(path.wstring(), "x");
    }
    EXPECT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(alive)) << "a print run still writing lost its job";
    for (const fs::path& path : foreign) {
        EXPECT_TRUE(fs::exists(path)) << path << " is not the spool's to delete";
        fs::remove(path);
    }
    fs::remove(alive);
}

TEST_F(ConverterProcess, ADocumentThatCannotBeTakenTakesNoJobButReleasesTheMarkerAndIsLogged)
{
    fs::create_directories(temp_ / "folder.txt");
    Document("program.exe", std::string("MZ\x90\0\3\0\0\0\4\0\0\0\xFF\xFF\0\0", 16) + std::string(400, '\0'));
    Document("empty.pdf", "");
    Document("bom.txt", "\xEF\xBB\xBF");
    const struct {
        std::wstring document;
        ExitCode code;
        const char* outcome;
    } cases[] = {
        {(temp_ / "absent.txt").wstring(), ExitCode::DocumentUnreadable, " unreadable job=- "},
        {(temp_ / "folder.txt").wstring(), ExitCode::DocumentUnreadable, " unreadable job=- "},
        {(temp_ / "program.exe").wstring(), ExitCode::DocumentRefused, " refused job=- "},
        // A program that failed to write it, not one blank page.
        {(temp_ / "empty.pdf").wstring(), ExitCode::DocumentRefused, "The document is empty"},
        {(temp_ / "bom.txt").wstring(), ExitCode::DocumentRefused, "The document is empty"},
        // An image is refused by its size before more than its head is read
        // (sparse: it takes no disk); a text has no such limit.
        {(temp_ / "huge.png").wstring(), ExitCode::DocumentRefused, " (2048 MB) is larger than 32 MB."},
    };
    {
        Global::FileHandle huge(::CreateFileW((temp_ / "huge.png").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              0, nullptr));
        ASSERT_TRUE(huge.IsValid());
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(huge.Get(), "\x89PNG\r\n\x1a\n", 8, &written, nullptr));
        LARGE_INTEGER size{};
        size.QuadPart = 2LL << 30;
        ASSERT_TRUE(::SetFilePointerEx(huge.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(huge.Get()));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        Signal("");
        EXPECT_EQ(RunConverter(L"/PrintFile \"" + cases[i].document + L"\""), cases[i].code) << "case " << i;
        EXPECT_FALSE(fs::exists(signal_)) << "case " << i << ": CommandLine.exe must not wait for a job that never comes";
        std::string last = LastLogLine();
        EXPECT_NE(last.find(cases[i].outcome), std::string::npos) << "case " << i << ": " << last;
        EXPECT_NE(last.find(Global::ToAnsi(cases[i].document)), std::string::npos) << "case " << i << ": " << last;
    }
    EXPECT_TRUE(spool_.PendingJobs().empty());
    // The conversion run after a refusal adds nothing to it: no line in the
    // log, nothing on its standard error.
    std::string log = ReadFileBytes(LogFilePath(converter_.wstring()));
    HandOver(temp_ / "out.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::NoPendingJob);
    EXPECT_EQ(ReadFileBytes(LogFilePath(converter_.wstring())), log);
    EXPECT_FALSE(fs::exists(temp_ / "out.pdf"));
}

// The output path leads to the document being converted, by whatever
// name: the conversion refuses it and the document stays as it was.
TEST_F(ConverterProcess, AConversionNeverWritesItsPdfOverItsOwnDocument)
{
    const std::string text = "the only copy of a text\r\n";
    const fs::path document = temp_ / "a long document name.txt";
    WriteFileBytes(document.wstring(), text);
    char shortName[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameA(document.string().c_str(), shortName, MAX_PATH), 0u);
    ASSERT_TRUE(::CreateHardLinkW((temp_ / "link.txt").c_str(), document.c_str(), nullptr));
    std::vector<std::string> cases{document.string(), (temp_ / "." / "a long document name.txt").string(), shortName,
                                   (temp_ / "link.txt").string()};
    std::string upper = document.string();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    cases.push_back(upper);
    // Under Wine the Z: drive is the Unix root: the same file through
    // another drive letter.
    using UnixName = char*(__cdecl*)(const wchar_t*);
    if (auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")))) {
        if (char* name = unixName(document.c_str())) {
            std::string throughZ = std::string("Z:") + name;
            std::replace(throughZ.begin(), throughZ.end(), '/', '\\');
            cases.push_back(throughZ);
            ::HeapFree(::GetProcessHeap(), 0, name);
        }
    }
    ASSERT_EQ(cases.size(), 6u) << "no Z: drive";
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i]);
        spool_.Clear();
        Signal("");
        ASSERT_EQ(RunConverter(L"/PrintFile \"" + document.wstring() + L"\""), ExitCode::Success);
        Signal(cases[i] + "\r\n");
        EXPECT_EQ(RunConverter(L""), ExitCode::OutputNotWritable);
        EXPECT_EQ(ReadFileBytes(document.wstring()), text);
        EXPECT_NE(LastLogLine().find("is the document being converted"), std::string::npos) << LastLogLine();
    }
    // Another file of the same content and name elsewhere is no such file.
    fs::create_directories(temp_ / "other");
    WriteFileBytes((temp_ / "other" / "a long document name.txt").wstring(), text);
    spool_.Clear();
    Signal("");
    ASSERT_EQ(RunConverter(L"/PrintFile \"" + document.wstring() + L"\""), ExitCode::Success);
    HandOver(temp_ / "other" / "a long document name.txt");
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    EXPECT_EQ(ReadFileBytes(document.wstring()), text);
}

// Images that are text by their bytes are drawn, not printed as their
// source; XPM is refused by name.
TEST_F(ConverterProcess, TextLikeImagesAreDrawn)
{
    const struct {
        const char* name;
        std::string content;
        ExitCode code;
        const char* logged;
    } cases[] = {
        {"icon.ppm", "P3\n# red, green\n2 1\n255\n255 0 0  0 255 0\n", ExitCode::Success, "netpbm image, 2 x 1 pixels"},
        {"icon.pbm", std::string("P4\n9 2\n\xff\x80\x00\x00", 15), ExitCode::Success, "netpbm image, 9 x 2 pixels"},
        {"icon.xbm", "#define icon_width 3\n#define icon_height 2\nstatic unsigned char icon_bits[] = {\n  0x05, 0x02 };\n",
         ExitCode::Success, "XBM image, 3 x 2 pixels"},
        {"icon.xpm", "/* XPM */\nstatic char *icon[] = {\n\"1 1 1 1\",\n\"a c #FF0000\",\n\"a\"};\n",
         ExitCode::DocumentRefused, "is an XPM image"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Signal("");
        const ExitCode printed = RunConverter(Document(row.name, row.content));
        if (printed == ExitCode::Success) {
            HandOver(temp_ / "icon.pdf");
            EXPECT_EQ(RunConverter(L""), row.code);
        } else {
            EXPECT_EQ(printed, row.code);
        }
        EXPECT_NE(LastLogLine().find(row.logged), std::string::npos) << LastLogLine();
    }
}

// Six print runs at once answer one marker: one of them releases it and
// its job; the others' jobs are dropped, none left half-made.
TEST_F(ConverterProcess, PrintRunsAtOnceForOneMarkerMakeOneJob)
{
    std::wstring printFile = Document("doc.txt", "same document");
    Signal("");
    std::vector<Global::KernelHandle> processes;
    for (int i = 0; i < 6; ++i) {
        processes.push_back(Start(printFile));
    }
    std::vector<ExitCode> codes;
    for (size_t i = 0; i < processes.size(); ++i) {
        codes.push_back(Finish(processes[i]));
    }
    EXPECT_EQ(std::count(codes.begin(), codes.end(), ExitCode::Success), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), ExitCode::NoRunWaiting), 5);
    std::vector<std::wstring> jobs = spool_.PendingJobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(spool_.Folder()), fs::directory_iterator()), 1);
    // Six writers at once, through the log's mutex: no line lost or torn.
    std::string log = ReadFileBytes(LogFilePath(converter_.wstring()));
    std::string line = " taken job=" + Global::ToAnsi(fs::path(jobs[0]).filename().wstring()) + " document=\"";
    EXPECT_NE(log.find(line), std::string::npos) << log;
    size_t given = 0;
    for (size_t at = 0; (at = log.find(" failed job=- document=\"", at)) != std::string::npos; ++at) {
        ++given;
    }
    EXPECT_EQ(given, 5u) << log;
    EXPECT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

// A text larger than what an image may be is copied, read and written a
// piece at a time: it converts whole, its encoding decided by its last
// bytes (a UTF-8 letter beyond the first pieces).
TEST_F(ConverterProcess, ATextLargerThanAnImageMayBeConvertsWhole)
{
    const std::string line(78, 'x');
    std::string text;
    const size_t lines = (34u << 20) / (line.size() + 2);
    text.reserve(lines * (line.size() + 2) + 8);
    for (size_t i = 0; i < lines; ++i) {
        text += line;
        text += "\r\n";
    }
    text += "caf\xC3\xA9";
    Signal("");
    ASSERT_EQ(RunConverter(Document("large.txt", text)), ExitCode::Success);
    text.clear();
    text.shrink_to_fit();
    HandOver(temp_ / "large.pdf");
    ASSERT_EQ(RunConverter(L""), ExitCode::Success);
    const size_t pages = (lines + 1 + 65) / 66;
    EXPECT_NE(LastLogLine().find("text in UTF-8, " + std::to_string(pages) + " pages"), std::string::npos)
        << LastLogLine();
    std::string pdf = ReadFileBytes((temp_ / "large.pdf").wstring());
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
    EXPECT_TRUE(spool_.PendingJobs().empty());
}

TEST_F(ConverterProcess, ConversionRendersTheOldestJobOverAnExistingFileAndRemovesOnlyThatJob)
{
    Signal("");
    ASSERT_EQ(RunConverter(Document("a.txt", "first job")), ExitCode::Success);
    Signal("");
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
    Signal("");
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
    Signal("");
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
    const fs::path spool = spool_.Folder();
    fs::remove_all(spool);
    WriteFileBytes(spool.wstring(), "a file where the spool should be");
    const std::wstring cases[] = {L"/ClearCache /NoStart", L"", Document("a.txt", "x")};
    for (size_t i = 0; i < std::size(cases); ++i) {
        // The print run has its marker, and still releases it.
        i + 1 == std::size(cases) ? Signal("") : HandOver(temp_ / "out.pdf");
        EXPECT_EQ(RunConverter(cases[i]), ExitCode::SpoolUnusable) << "case " << i;
        EXPECT_NE(LastLogLine().find(" failed job=- "), std::string::npos) << "case " << i << ": " << LastLogLine();
        EXPECT_NE(LastLogLine().find(spool.string()), std::string::npos) << "case " << i;
    }
    EXPECT_FALSE(fs::exists(signal_)) << "the marker was not released";
    fs::remove(spool);
}

// A spool, or the working folder it lies in, that another user could reach
// is never read from or written to: every run refuses it and logs why (the
// log quotes with ').
TEST_F(ConverterProcess, ASpoolAnotherUserCouldReachIsRefusedForEveryRun)
{
    const fs::path spool = spool_.Folder();
    const fs::path work = temp_ / "PDFCreator";
    const fs::path elsewhere = temp_ / "elsewhere";
    const struct {
        const char* situation;
        fs::path folder;
        std::function<std::string()> act;
        const char* says;
    } rows[] = {
        {"a spool that another user owns", spool,
         [&] { return TestSupport::GiveToAnotherUser(spool.wstring()); }, "' belongs to another user, "},
        {"a spool that lets Everyone change it", spool, [&] { return TestSupport::OpenToEveryone(spool.wstring()); },
         "' lets Everyone (S-1-1-0) change what is in it"},
        {"a spool that is a junction", spool,
         [&] {
             fs::remove_all(spool);
             return TestSupport::MakeFolderLink(spool.wstring(), elsewhere.wstring());
         },
         "' is a link to another place"},
        {"a working folder that another user owns", work,
         [&] { return TestSupport::GiveToAnotherUser(work.wstring()); }, "' belongs to another user, "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        fs::remove_all(work);
        fs::create_directories(spool);
        fs::create_directories(elsewhere);
        ASSERT_EQ(row.act(), "") << "another user's act could not be done here";
        const std::wstring cases[] = {L"/ClearCache /NoStart", L"", Document("a.txt", "x")};
        for (size_t i = 0; i < std::size(cases); ++i) {
            i + 1 == std::size(cases) ? Signal("") : HandOver(temp_ / "out.pdf");
            EXPECT_EQ(RunConverter(cases[i]), ExitCode::SpoolUnusable) << "case " << i;
            EXPECT_NE(LastLogLine().find(" failed job=- "), std::string::npos) << "case " << i << ": " << LastLogLine();
            EXPECT_NE(LastLogLine().find("The folder '" + row.folder.string() + row.says), std::string::npos)
                << "case " << i << ": " << LastLogLine();
        }
        EXPECT_FALSE(fs::exists(temp_ / "out.pdf"));
        EXPECT_TRUE(fs::is_empty(elsewhere)) << "a job was written through the link";
        EXPECT_EQ(TestSupport::RemoveFolderLink(spool.wstring()), "");
    }
    fs::remove_all(work);
    fs::create_directories(work);
}

TEST_F(ConverterProcess, FailedConversionWritesNoFileAndKeepsTheJob)
{
    HandOver(temp_ / "out.pdf");
    EXPECT_EQ(RunConverter(L""), ExitCode::NoPendingJob);
    Signal("");
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

// A printed job (the print watcher's, PostScript) is made a PDF by the
// Ghostscript in the folder beside the converter (bin's, as the packages lay
// it out); a job Ghostscript cannot read, or no Ghostscript (the converter
// as linked, alone), writes nothing and keeps the job.
TEST_F(ConverterProcess, APrintedJobIsMadeAPdfByTheGhostscriptBesideTheConverter)
{
    const std::string page = "%!PS-Adobe-3.0\n%%Title: printed\n%%EndComments\n%%Page: 1 1\n"
                             "/Helvetica findfont 12 scalefont setfont 72 720 moveto (Printed words) show showpage\n"
                             "%%EOF\n";
    // Two pages, as the job's DSC comments say in its header or its trailer;
    // a job that ends itself after its first page leaves Ghostscript a PDF
    // of one page, with exit 0.
    auto twoPages = [](const std::string& header, const std::string& between, const std::string& trailer) {
        std::string show = "/Helvetica findfont 12 scalefont setfont 72 720 moveto (Printed words) show showpage\n";
        return "%!PS-Adobe-3.0\n" + header + "%%EndComments\n%%Page: 1 1\n" + show + between + "%%Page: 2 2\n" +
               show + trailer + "%%EOF\n";
    };
    const struct {
        const char* name;
        std::string postScript;
        const char* program;
        ExitCode code;
        const char* logged;
    } cases[] = {
        {"printed", page, BIN_PDFCREATOR_PATH, ExitCode::Success, "printed PostScript, 1 page(s), through Ghostscript"},
        {"damaged", "%!PS-Adobe-3.0\n%%Page: 1 1\n72 72 moveto (unclosed show\n%%EOF\n", BIN_PDFCREATOR_PATH,
         ExitCode::DocumentRefused, "Ghostscript could not make a PDF of the printed job (exit "},
        {"no Ghostscript", page, PDFCREATOR_PATH, ExitCode::ConverterMissing, "Ghostscript is missing"},
        {"two pages", twoPages("%%Pages: 2\n", "", ""), BIN_PDFCREATOR_PATH, ExitCode::Success,
         "printed PostScript, 2 page(s), through Ghostscript"},
        {"two pages said at the end", twoPages("%%Pages: (atend)\n", "", "%%Trailer\n%%Pages: 2\n"),
         BIN_PDFCREATOR_PATH, ExitCode::Success, "printed PostScript, 2 page(s), through Ghostscript"},
        {"a quit after one of two pages", twoPages("%%Pages: 2\n", "quit\n", ""), BIN_PDFCREATOR_PATH,
         ExitCode::DocumentRefused, "The printed job ended after 1 of the 2 pages it announces"},
        {"a quit after one of two pages said at the end",
         twoPages("%%Pages: (atend)\n", "quit\n", "%%Trailer\n%%Pages: 2\n"), BIN_PDFCREATOR_PATH,
         ExitCode::DocumentRefused, "The printed job ended after 1 of the 2 pages it announces"},
        {"a quit, no pages said", twoPages("", "quit\n", ""), BIN_PDFCREATOR_PATH, ExitCode::Success,
         "printed PostScript, 1 page(s), through Ghostscript"},
    };
    const fs::path output = temp_ / "printed.pdf";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunConverter(L"/ClearCache /NoStart");
        fs::remove(output);
        PrintPostScript(c.postScript);
        HandOver(output);
        EXPECT_EQ(RunConverter(L"", c.program), c.code);
        EXPECT_NE(LastLogLine().find(c.logged), std::string::npos) << LastLogLine();
        EXPECT_EQ(fs::exists(output), c.code == ExitCode::Success);
        EXPECT_EQ(spool_.PendingJobs().size(), c.code == ExitCode::Success ? 0u : 1u);
        // Ghostscript's files beside the job are gone too, whatever it did.
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(fs::path(spool_.Folder()))) {
            ++files;
        }
        EXPECT_EQ(files, spool_.PendingJobs().size());
        if (c.code == ExitCode::Success) {
            EXPECT_EQ(ReadFileBytes(output.wstring()).substr(0, 5), "%PDF-");
        }
        fs::remove(signal_);
    }
}

// A printed job reads no file but its own, whatever the converter's
// environment tells Ghostscript: GS_LIB and GS_OPTIONS would add folders it
// may read under -dSAFER, TEMP is one (the converter's, here the test's).
// The job puts whatever it reads into the PDF's title, and says it probed.
TEST_F(ConverterProcess, APrintedJobReadsNoFileButItsOwn)
{
    const std::string secret = "ArdenfoldSecret" + std::to_string(::GetCurrentProcessId());
    const fs::path folders[] = {temp_ / "lib", temp_ / "options", temp_ / "fonts", temp_};
    for (const fs::path& folder : folders) {
        fs::create_directories(folder);
        WriteFileBytes((folder / "acc-secret.txt").wstring(), secret + "\n");
    }
    // Forward slashes, as Ghostscript's own path control reads them whatever
    // its build.
    auto slashed = [](const fs::path& folder) {
        std::string name = folder.string() + "/";
        std::replace(name.begin(), name.end(), '\\', '/');
        return name;
    };
    const struct {
        const char* name;
        std::string value;
    } variables[] = {
        {"GS_LIB", slashed(folders[0])},
        {"GS_OPTIONS", "-I" + slashed(folders[1]) + " -sFONTPATH=" + slashed(folders[2])},
        {"GS_FONTPATH", slashed(folders[2])},
    };
    for (const auto& variable : variables) {
        ::SetEnvironmentVariableA(variable.name, variable.value.c_str());
    }
    Global::ScopeExit unset([&] {
        for (const auto& variable : variables) {
            ::SetEnvironmentVariableA(variable.name, nullptr);
        }
    });
    std::string job = "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n"
                      "/leak { 200 string readline pop /s exch def [ /Title s /DOCINFO pdfmark } def\n"
                      "mark { (acc-secret.txt) findlibfile { exch pop leak } { pop } ifelse } stopped cleartomark\n";
    for (const fs::path& folder : folders) {
        for (const std::string& path : {slashed(folder) + "acc-secret.txt", (folder / "acc-secret.txt").string()}) {
            std::string escaped;
            for (char c : path) {
                escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
            }
            job += "mark { (" + escaped + ") (r) file leak } stopped cleartomark\n";
        }
    }
    job += "[ /Subject (probed) /DOCINFO pdfmark\n"
           "/Helvetica findfont 12 scalefont setfont 72 720 moveto (Probed) show showpage\n%%EOF\n";
    const fs::path output = temp_ / "probed.pdf";
    RunConverter(L"/ClearCache /NoStart");
    PrintPostScript(job);
    HandOver(output);
    ASSERT_EQ(RunConverter(L"", BIN_PDFCREATOR_PATH), ExitCode::Success) << LastLogLine();
    std::string pdf = ReadFileBytes(output.wstring());
    EXPECT_NE(pdf.find("(probed)"), std::string::npos) << "the job's title went nowhere: the probe proves nothing";
    EXPECT_EQ(pdf.find(secret), std::string::npos) << "the job read a file that is not its own";
}

// A converter killed while Ghostscript works takes Ghostscript with it, and
// the next clearing removes the files it made from the job, and only those.
TEST_F(ConverterProcess, AKilledConverterLeavesNoGhostscriptAndNoFiles)
{
    RunConverter(L"/ClearCache /NoStart");
    PrintPostScript("%!PS-Adobe-3.0\n%%EndComments\n%%Page: 1 1\n{ } loop\n%%EOF\n");
    HandOver(temp_ / "endless.pdf");
    const fs::path spool(spool_.Folder());
    const fs::path users = spool / "notes.job.taken.work";
    fs::create_directories(users);
    WriteFileBytes((users / "note.txt").wstring(), "the user's");

    Global::KernelHandle converter = Start(L"", BIN_PDFCREATOR_PATH);
    Global::ScopeExit kill([&] { ::TerminateProcess(converter.Get(), 1); });
    const DWORD converterId = ::GetProcessId(converter.Get());
    // Ghostscript, once the converter has started it: a bounded wait.
    Global::KernelHandle ghostscript;
    for (int attempt = 0; attempt < 300 && !ghostscript; ++attempt) {
        Global::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
            if (entry.th32ParentProcessID == converterId && _stricmp(entry.szExeFile, "gs.exe") == 0) {
                ghostscript.Reset(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
            }
        }
        if (!ghostscript) {
            ::Sleep(100);
        }
    }
    ASSERT_TRUE(ghostscript) << "the converter started no Ghostscript within 30 s";
    ASSERT_TRUE(::TerminateProcess(converter.Get(), 1));
    ASSERT_EQ(::WaitForSingleObject(converter.Get(), 10000), WAIT_OBJECT_0);
    const bool ended = ::WaitForSingleObject(ghostscript.Get(), 20000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "Ghostscript outlived its converter by 20 s";
    if (!ended) {
        HANDLE terminate = ::OpenProcess(PROCESS_TERMINATE, FALSE, ::GetProcessId(ghostscript.Get()));
        ::TerminateProcess(terminate, 1);
        ::CloseHandle(terminate);
        ::WaitForSingleObject(ghostscript.Get(), 10000);
    }

    size_t workFolders = 0;
    for (const auto& entry : fs::directory_iterator(spool)) {
        workFolders += entry.is_directory() && entry.path() != users;
    }
    EXPECT_EQ(workFolders, 1u) << "the killed converter left no work folder: the clearing below proves nothing";
    EXPECT_EQ(RunConverter(L"/ClearCache /NoStart"), ExitCode::Success);
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(spool)) {
        left.push_back(entry.path().filename());
    }
    EXPECT_EQ(left, std::vector<fs::path>{users.filename()});
    EXPECT_TRUE(fs::exists(users / "note.txt"));
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

    const unsigned long long marker = 0x0123456789abcdefull;
    const std::wstring deadId = std::to_wstring(::GetProcessId(ended.Get()));
    const std::wstring dead = PartialFileName(L"out.pdf", ::GetProcessId(ended.Get()), marker);
    const std::wstring removed[] = {dead, PartialFileName(L"OUT.PDF", ::GetCurrentProcessId(), ~marker)};
    const std::wstring kept[] = {
        PartialFileName(L"out.pdf", info.dwProcessId, marker), // a converter still writes it
        PartialFileName(L"other.pdf", ::GetProcessId(ended.Get()), marker),
        dead + L".txt",
        L"out.pdf.partial",
        L"out.pdf.PDFCreator-" + deadId + L".partial", // no marker: a name anyone could pick
        L"out.pdf.PDFCreator-0" + deadId + L"-0123456789abcdef.partial",
        L"out.pdf.PDFCreator-" + deadId + L"-FEDCBA9876543210.partial",
        L"out.pdf.PDFCreator-" + deadId + L"-0123456789abcde.partial",
        L"out.pdf.PDFCreator-" + deadId + L"-0123456789abcdef0.partial",
        L"out.pdf.PDFCreator-12x-0123456789abcdef.partial",
        L"out.pdf.PDFCreator--0123456789abcdef.partial",
        L"out.pdf.PDFCreator-.partial",
    };
    for (const std::wstring& name : removed) {
        WriteFileBytes((temp_ / name).wstring(), "%PDF-1.5 cut short");
    }
    for (const std::wstring& name : kept) {
        WriteFileBytes((temp_ / name).wstring(), "a file of the user's");
    }
    Signal("");
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
    WriteFileBytes((temp_ / PartialFileName(L"", ::GetProcessId(ended.Get()), marker)).wstring(), "%PDF-1.5 cut short");
    Signal("");
    ASSERT_EQ(RunConverter(Document("b.txt", "y")), ExitCode::Success);
    HandOver(temp_ / longName);
    EXPECT_EQ(RunConverter(L""), ExitCode::Success);
    EXPECT_TRUE(fs::exists(temp_ / longName));
    EXPECT_FALSE(fs::exists(temp_ / PartialFileName(L"", ::GetProcessId(ended.Get()), marker)));
}

// Each writer's partial file has a name of its own that nobody can guess,
// even two writers under one process id; it is renamed over the output, or
// removed when never committed, through its handle.
TEST_F(ConverterProcess, EachPartialFileHasANameNobodyCanGuess)
{
    const fs::path output = temp_ / "same.pdf";
    auto partials = [&] {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(temp_)) {
            if (PartialFileOwner(entry.path().filename().wstring(), L"same.pdf") == ::GetCurrentProcessId()) {
                names.push_back(entry.path().filename().wstring());
            }
        }
        return names;
    };
    try {
        OutputFile first(output.wstring());
        OutputFile second(output.wstring());
        std::vector<std::wstring> names = partials();
        ASSERT_EQ(names.size(), 2u);
        EXPECT_NE(names[0], names[1]);
        first.Write("first");
        first.Commit();
        second.Write("second");
        second.Commit();
    } catch (const Failure& failure) {
        ADD_FAILURE() << Global::ToAnsi(failure.Description());
    }
    EXPECT_EQ(ReadFileBytes(output.wstring()), "second");
    EXPECT_TRUE(partials().empty());
    {
        OutputFile abandoned(output.wstring());
        abandoned.Write("never committed");
        EXPECT_EQ(partials().size(), 1u);
    }
    EXPECT_TRUE(partials().empty());
    EXPECT_EQ(ReadFileBytes(output.wstring()), "second");
}

// A conversion past its time limit ends at once with a log line that says
// so; one within it is left to finish.
TEST_F(ConverterProcess, AConversionPastItsTimeLimitIsStopped)
{
    const struct {
        const char* situation;
        const wchar_t* limitAndLength; // WatchdogProbe's arguments
        ExitCode code;
        const char* logged; // the log's new line; empty: none
    } cases[] = {
        {"within its limit", L"30000 100", ExitCode::Success, ""},
        {"past its limit", L"200 30000", ExitCode::DocumentRefused,
         "refused job=probe.job document=\"probe.txt\" replaced=0 reason=\"The conversion took longer than 0 seconds "
         "and was stopped.\"\r\n"},
    };
    const std::wstring log = LogFilePath(converter_.wstring());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        std::string before = fs::exists(log) ? ReadFileBytes(log) : std::string();
        EXPECT_EQ(Finish(Start(c.limitAndLength, WATCHDOG_PROBE_PATH)), c.code);
        std::string after = fs::exists(log) ? ReadFileBytes(log) : std::string();
        if (*c.logged == '\0') {
            EXPECT_EQ(after, before);
        } else {
            EXPECT_NE(LastLogLine().find(c.logged), std::string::npos) << LastLogLine();
        }
    }
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
