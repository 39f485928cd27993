// The fault matrix: the real CommandLine.exe meets, at each step of a
// conversion, a signal file that is absent, present and free, held by
// another process or a folder; children that crash, hang for a while or end
// with 259; a missing converter; folders that cannot be made. Each row pins
// what the user sees, the exit code and what is left at the signal file's
// place. docs/fault-matrix.md lists the same rows.
#include "EndToEnd.h"

#include "AnsiText.h"
#include "ForeignFolders.h"
#include "RunLock.h"

#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace EndToEnd {
namespace {

enum class Left { Nothing, HeldFile, Folder };

// In texts, "%root%", "%signal%", "%work%", "%output%" and "%converter%"
// stand for the sandbox's paths, "%lock%" for the name of its run lock, and in the scenario
// "%event%" for the row's handshake: an event that the test sets once it has
// acted ("during"), or once the run has ended (a file held past the run), and
// that the stand-in's runs wait for (WAIT_EVENT, HOLD_UNTIL) or set
// (SET_EVENT). A row that acts "during" has a run of duringRole wait for
// %event%; the test acts once that run says it waits, all its own part
// done (a run's record in the log comes before its part). No row relies on
// timing.
struct Row {
    std::string situation;
    Environment scenario = ConverterSide();
    std::vector<std::string> boxes = {}; // how each box's text begins; each is answered OK
    DWORD exitCode = Success;
    Left left = Left::Nothing;
    std::string leftBytes = {}; // what a held file holds after the run
    bool document = true;
    std::string roles = AllFourRuns; // the stand-in's runs
    int finder = -1;                 // this run of the stand-in...
    std::string found = {};          // ...found the signal file so: "absent", "folder", "bytes:<bytes>"
    Converter converter = Converter::Placed;
    bool ours = false;        // the project's own PDFCreator.exe in the stand-in's place
    std::string logSays = {}; // ...and its log then says this
    std::string print = {};   // the print command; empty: the stand-in's
    // Before the run; a handle it returns is held through the run.
    std::function<Global::FileHandle(const Sandbox&)> before = nullptr;
    // Before the run, an object under the run lock's name, held through the run.
    std::function<Global::KernelHandle(const std::string& lockName)> squat = nullptr;
    // Once the first run of this role has started.
    std::string duringRole = {};
    std::function<void(const Sandbox&)> during = nullptr;
    // Once the run has ended: what the row left that the sandbox cannot remove.
    std::function<void(const Sandbox&)> after = nullptr;
    // Once the run has ended: what else it must, or must not, have left.
    std::function<void(const Sandbox&)> check = nullptr;
};

const std::string NotDeleted = "The signal file \"%signal%\" could not be deleted: ";

// One name per row, unique on the machine: rows of parallel tests never meet.
std::string EventName()
{
    static int rows = 0;
    return "ArdenfoldFaultMatrix." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(++rows);
}

std::string LockName(const Sandbox& sandbox)
{
    return Global::ToAnsi(Ardenfold_API::RunLockName(Global::FromAnsi(sandbox.SignalFile())));
}

std::string Expand(std::string text, const Sandbox& sandbox, const std::string& event = {})
{
    for (auto [name, value] : {std::pair{std::string("%event%"), event},
                               std::pair{std::string("%lock%"), LockName(sandbox)},
                               std::pair{std::string("%root%"), sandbox.Root()},
                               std::pair{std::string("%signal%"), sandbox.SignalFile()},
                               std::pair{std::string("%work%"), sandbox.WorkFolder()},
                               std::pair{std::string("%converter%"), sandbox.ConverterExe()},
                               std::pair{std::string("%output%"), sandbox.Root() + "\\out.pdf"}}) {
        for (size_t at = 0; (at = text.find(name, at)) != std::string::npos;) {
            text.replace(at, name.size(), value);
        }
    }
    return text;
}

RunResult RunConversion(const Sandbox& sandbox, const std::string& print, const Environment& scenario,
                        const std::vector<int>& answers, const std::function<void()>& during = nullptr)
{
    auto run = StartCommandLine(sandbox, "{" + (print.empty() ? PrintCommand(sandbox, "print") : print) + "} {" +
                                             Expand("%output%", sandbox) + "}",
                                scenario);
    if (during) {
        during();
    }
    return FinishRun(*run, answers);
}

void ExpectBoxes(const RunResult& result, const std::vector<std::string>& boxes)
{
    ASSERT_EQ(result.boxes.size(), boxes.size()) << result.DescribeBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(result.boxes[i].text.rfind(boxes[i], 0), 0u) << "box " << i << " should begin with: " << boxes[i];
        EXPECT_EQ(result.boxes[i].title, AppTitle) << i;
        EXPECT_EQ(result.boxes[i].buttons, std::vector<int>{IDOK}) << i;
    }
}

void Check(const Row& row)
{
    SCOPED_TRACE(row.situation);
    Sandbox sandbox(row.converter);
    if (row.ours) {
        CopyFileOver(ARDENFOLD_CONVERTER_EXE, sandbox.ConverterExe());
    }
    const std::string eventName = EventName();
    Global::KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
    ASSERT_TRUE(event) << ::GetLastError();
    // Made before the run, so that the stand-in's signal is kept until it is seen.
    Global::KernelHandle waiting(::CreateEventA(nullptr, TRUE, FALSE, (eventName + ".waiting").c_str()));
    ASSERT_TRUE(waiting) << ::GetLastError();
    Environment scenario = row.scenario;
    for (auto& [name, value] : scenario) {
        value = Expand(value, sandbox, eventName);
    }
    Global::FileHandle holder = row.before ? row.before(sandbox) : Global::FileHandle();
    Global::KernelHandle squatter;
    if (row.squat) {
        squatter = row.squat(LockName(sandbox));
        ASSERT_TRUE(squatter) << ::GetLastError();
    }
    std::vector<std::string> boxes;
    for (const std::string& box : row.boxes) {
        boxes.push_back(Expand(box, sandbox));
    }
    RunResult result = RunConversion(sandbox, Expand(row.print, sandbox), scenario,
                                     std::vector<int>(boxes.size(), IDOK), [&] {
        if (row.during) {
            ASSERT_EQ(::WaitForSingleObject(waiting.Get(), 30000), WAIT_OBJECT_0) << "no run waits for the test";
            std::vector<StandIn::RunRecord> runs = Runs(sandbox);
            ASSERT_TRUE(!runs.empty() && runs.back().role == row.duringRole) << StandIn::Roles(runs);
            row.during(sandbox);
            ::SetEvent(event.Get());
        }
    });
    EXPECT_EQ(result.exitCode, row.exitCode) << result.DescribeBoxes();
    ExpectBoxes(result, boxes);
    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    EXPECT_EQ(StandIn::Roles(runs), row.roles);
    if (row.finder >= 0 && static_cast<size_t>(row.finder) < runs.size()) {
        const StandIn::RunRecord& run = runs[static_cast<size_t>(row.finder)];
        EXPECT_EQ(run.signalState == "bytes" ? "bytes:" + run.signalBytes : run.signalState, row.found);
    }
    EXPECT_EQ(PathExists(Expand("%output%", sandbox)), row.document);
    if (row.check) {
        row.check(sandbox);
    }
    if (!row.logSays.empty()) {
        std::string log = ReadFileBytes(sandbox.Root() + "\\converter\\Converter.log");
        EXPECT_TRUE(Contains(log, Expand(row.logSays, sandbox))) << log;
    }
    const std::string signal = sandbox.SignalFile();
    Global::ScopeExit after([&] {
        if (row.after) {
            row.after(sandbox);
        }
    });
    switch (row.left) {
    case Left::Nothing:
        EXPECT_FALSE(PathExists(signal)) << "the signal file was left behind";
        break;
    case Left::Folder:
        EXPECT_TRUE(IsFolder(signal)) << "the folder in the signal file's place was taken away";
        break;
    case Left::HeldFile:
        ASSERT_TRUE(PathExists(signal) && !IsFolder(signal)) << "the held signal file was taken away";
        EXPECT_EQ(ReadFileBytes(signal), Expand(row.leftBytes, sandbox));
        // Once let go, the next run deletes it as stale and converts.
        holder.Reset();
        ::SetEvent(event.Get());
        ASSERT_TRUE(WaitUntil([&] { return !IsHeld(signal); }, 20000));
        RemoveTree(Expand("%output%", sandbox));
        EXPECT_EQ(RunConversion(sandbox, "", ConverterSide(), {}).exitCode, Success) << "the run after";
        EXPECT_FALSE(PathExists(signal)) << "the run after left the signal file";
        break;
    }
}

Global::FileHandle WriteSignal(const Sandbox& sandbox, const std::string& bytes)
{
    MakeFolders(sandbox.WorkFolder());
    WriteFileBytes(sandbox.SignalFile(), bytes);
    return {};
}

// A mutex that nobody may open: its DACL has no entry. This process, which
// makes it, holds the one handle there will be.
Global::KernelHandle MutexNobodyMayOpen(const std::string& name)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P", SDDL_REVISION_1, &descriptor, nullptr)) {
        return {};
    }
    Global::ScopeExit free([&] { ::LocalFree(descriptor); });
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return Global::KernelHandle(::CreateMutexA(&attributes, FALSE, name.c_str()));
}

// A mutex that admits everyone, made first and held, as another user could.
Global::KernelHandle HeldMutexOpenToEveryone(const std::string& name)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;GA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return {};
    }
    Global::ScopeExit free([&] { ::LocalFree(descriptor); });
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return Global::KernelHandle(::CreateMutexA(&attributes, TRUE, name.c_str()));
}

// The lock as this user's elevated run makes it: owned by the Administrators
// group (the owner an elevated administrator's objects get), admitting this
// user alone; not held.
Global::KernelHandle MutexOfAnElevatedRun(const std::string& name)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    Global::KernelHandle owned(token);
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    char* sid = nullptr;
    if (!::GetTokenInformation(token, TokenUser, user, sizeof user, &size) ||
        !::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) {
        return {};
    }
    std::string sddl = "O:BAD:P(A;;GA;;;" + std::string(sid) + ")";
    ::LocalFree(sid);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return {};
    }
    Global::ScopeExit free([&] { ::LocalFree(descriptor); });
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    Global::KernelHandle mutex(::CreateMutexA(&attributes, FALSE, name.c_str()));
    // The row means nothing unless the system kept that owner.
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR given = nullptr;
    if (!mutex || ::GetSecurityInfo(mutex.Get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                    nullptr, nullptr, &given) != ERROR_SUCCESS) {
        return {};
    }
    Global::ScopeExit freeGiven([&] { ::LocalFree(given); });
    EXPECT_TRUE(::IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) << "the mutex's owner is not Administrators";
    return mutex;
}

// An image of 2 GB that takes no disk (a text has no size limit).
Global::FileHandle SparseDocument(const Sandbox& sandbox)
{
    Global::FileHandle file(::CreateFileA((sandbox.Root() + "\\huge.png").c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER size{};
    size.QuadPart = 2LL << 30;
    DWORD written = 0;
    EXPECT_TRUE(file && ::WriteFile(file.Get(), "\x89PNG\r\n\x1a\n", 8, &written, nullptr) &&
                ::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get()));
    return {};
}

// A partial file of another converter (no process has an odd id) for the
// same output, which a run must leave to the converter that wrote it.
const std::string OthersPartial = "out.pdf.PDFCreator-1-0123456789abcdef.partial";

Global::FileHandle WriteOthersPartial(const Sandbox& sandbox)
{
    WriteFileBytes(sandbox.Root() + "\\" + OthersPartial, "%PDF-1.4\n% another converter's");
    return {};
}

void OnlyOthersPartialLeft(const Sandbox& sandbox)
{
    std::vector<std::string> partials;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.Root())) {
        if (entry.path().filename().string().find(".partial") != std::string::npos) {
            partials.push_back(entry.path().filename().string());
        }
    }
    EXPECT_EQ(partials, std::vector<std::string>{OthersPartial});
}

const std::string LockTaken = "The run lock \"%lock%\", which keeps conversions with the signal file \"%signal%\" apart, ";

// Waits (bounded) until the print run has taken the marker away.
bool MarkerTaken(const Sandbox& sandbox)
{
    return WaitUntil([&] { return !PathExists(sandbox.SignalFile()); }, 10000);
}

TEST(FaultMatrixTest, EveryStep)
{
    const Row rows[] = {
        {.situation = "start-up: left by an earlier run, free",
         .finder = 0,
         .found = "absent",
         .before = [](const Sandbox& s) { return WriteSignal(s, "Z:\\an\\earlier\\run.pdf\r\n"); }},
        {.situation = "start-up: held",
         .boxes = {MissingFilesText},
         .exitCode = SignalFileUnusable,
         .left = Left::HeldFile,
         .leftBytes = "someone else's\r\n",
         .document = false,
         .roles = "",
         .before =
             [](const Sandbox& s) {
                 WriteSignal(s, "someone else's\r\n");
                 return HoldFile(s.SignalFile());
             }},
        // No marker can be made, so the print run's job is not waited for;
        // the program will not delete a folder that is not its file. The real
        // converter side takes away an empty marker file only.
        {.situation = "start-up: a folder of that name",
         .scenario = {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}},
         .boxes = {MissingFilesText, NotDeleted},
         .exitCode = SignalFileUnusable,
         .left = Left::Folder,
         .document = false,
         .roles = "clear-cache,print,clear-cache",
         .finder = 1,
         .found = "folder",
         .before =
             [](const Sandbox& s) {
                 MakeFolders(s.SignalFile());
                 return Global::FileHandle();
             }},
        // Runs that share the signal file wait for each other in any session;
        // a lock that cannot be had stops the run before anything is touched.
        // Under Wine a Global\ name needs no privilege either, and the
        // answers are those of Windows: ERROR_INVALID_HANDLE for a name held
        // by an event, ERROR_ACCESS_DENIED for a mutex whose DACL admits nobody.
        {.situation = "start-up: the run lock's name held by an event",
         .boxes = {LockTaken + "is taken by another program for something else."},
         .exitCode = SignalFileUnusable,
         .document = false,
         .roles = "",
         .squat = [](const std::string& name) {
             return Global::KernelHandle(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
         }},
        {.situation = "start-up: the run lock's name held by a mutex this user may not open",
         .boxes = {LockTaken + "is held by another user or program and cannot be opened."},
         .exitCode = SignalFileUnusable,
         .document = false,
         .roles = "",
         .squat = MutexNobodyMayOpen},
        // Such a lock could be held for ever: it is refused at once.
        {.situation = "start-up: the run lock's name held by a mutex that admits everyone",
         .boxes = {LockTaken + "was made by another user or program and admits other users besides this one, so "
                               "anyone could hold it."},
         .exitCode = SignalFileUnusable,
         .document = false,
         .roles = "",
         .squat = HeldMutexOpenToEveryone},
        // The same user's run without elevation takes it as its own.
        {.situation = "start-up: the run lock made first by this user's elevated run", .squat = MutexOfAnElevatedRun},
        {.situation = "start-up: working folder unmakeable",
         .boxes = {"The folder \"%work%\" could not be made: "},
         .exitCode = UnexpectedError,
         .document = false,
         .roles = "",
         .before =
             [](const Sandbox& s) {
                 WriteFileBytes(s.WorkFolder(), "a file named like the working folder");
                 return Global::FileHandle();
             }},
        // The print run still takes the marker, but nothing writes the document.
        {.situation = "steps 1, 7, 9: PDFCreator.exe missing",
         .exitCode = NoDocument,
         .document = false,
         .roles = "print",
         .converter = Converter::Missing},
        {.situation = "step 2: left free by the first clear-cache run",
         .scenario = ConverterSide({{"STANDIN_CLEARCACHE1_WRITE_SIGNAL", "left by the converter"}}),
         .finder = 1,
         .found = "bytes:"},
        // Left alone without a box; the print run takes it once it is let go.
        {.situation = "step 2: held by the first clear-cache run's helper until the print run",
         .scenario = ConverterSide({{"STANDIN_CLEARCACHE1_WRITE_SIGNAL", "stale"},
                                    {"STANDIN_CLEARCACHE1_HOLD_UNTIL", "%event%"},
                                    {"STANDIN_PRINT_SET_EVENT", "%event%"}}),
         .finder = 1,
         .found = "bytes:stale"},
        {.situation = "step 2: a folder, made while the first clear-cache run runs",
         .scenario = {{"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}, {"STANDIN_CLEARCACHE1_WAIT_EVENT", "%event%"}},
         .boxes = {MissingFilesText, NotDeleted},
         .exitCode = SignalFileUnusable,
         .left = Left::Folder,
         .document = false,
         .roles = "clear-cache,print,clear-cache",
         .duringRole = "clear-cache",
         .during = [](const Sandbox& s) { MakeFolders(s.SignalFile()); }},
        // Refused by its size before it is read; the marker goes at once.
        {.situation = "step 3: the project's converter prints a 2 GB image",
         .exitCode = NoDocument,
         .document = false,
         .roles = "",
         .ours = true,
         .logSays = "refused job=- document=\"%root%\\huge.png\" replaced=0 reason=\"The document '%root%\\huge.png' "
                    "(2048 MB) is larger than 32 MB.",
         .print = "\"%converter%\" /PrintFile \"%root%\\huge.png\"",
         .before = SparseDocument},
        {.situation = "step 3: the print command cannot be started",
         .exitCode = PrintNotDelivered,
         .document = false,
         .roles = "clear-cache,clear-cache",
         .print = "\"%root%\\no such printer.exe\" doc.txt"},
        // A folder is not the marker coming back: the wait ends at once.
        {.situation = "step 4: a folder in the marker's place after the print run took it",
         .scenario = ConverterSide({{"STANDIN_PRINT_WAIT_EVENT", "%event%"}}),
         .boxes = {NotDeleted},
         .exitCode = PrintNotDelivered,
         .left = Left::Folder,
         .document = false,
         .roles = "clear-cache,print,clear-cache",
         .duringRole = "print",
         .during =
             [](const Sandbox& s) {
                 ASSERT_TRUE(MarkerTaken(s));
                 MakeFolders(s.SignalFile());
             }},
        // Neither the marker nor the hand-over can be written, and the
        // converter is not run without its output path.
        {.situation = "steps 5, 6: the working folder removed during the print run",
         .scenario = ConverterSide({{"STANDIN_PRINT_WAIT_EVENT", "%event%"}}),
         .boxes = {MissingFilesText, "The signal file \"%signal%\" could not be opened"},
         .exitCode = SignalFileUnusable,
         .document = false,
         .roles = "clear-cache,print",
         .duringRole = "print",
         .during =
             [](const Sandbox& s) {
                 ASSERT_TRUE(MarkerTaken(s));
                 ASSERT_TRUE(::RemoveDirectoryA(s.WorkFolder().c_str())) << ::GetLastError();
             }},
        // The run that started the killed converter takes its partial file
        // away: no later conversion to that output may ever come.
        {.situation = "step 7: the converter killed while it writes",
         .scenario = {{"STANDIN_PRINT_REMOVE_MARKER", "1"},
                      {"STANDIN_CONVERTER_WRITE_PARTIAL", "1"},
                      {"STANDIN_CONVERTER_EXIT_CODE", "0xC0000005"}},
         .exitCode = NoDocument,
         .document = false,
         .before = WriteOthersPartial,
         .check = OnlyOthersPartialLeft},
        {.situation = "step 8: held by the converter's helper until the second clear-cache run",
         .scenario = ConverterSide({{"STANDIN_CONVERTER_HOLD_UNTIL", "%event%"}, {"STANDIN_CLEARCACHE2_SET_EVENT", "%event%"}})},
        {.situation = "step 8: a folder in the hand-over's place during the converter run",
         .scenario = ConverterSide({{"STANDIN_CONVERTER_WAIT_EVENT", "%event%"}}),
         .boxes = {NotDeleted},
         .exitCode = UnexpectedError,
         .left = Left::Folder,
         .roles = "clear-cache,print,converter",
         .duringRole = "converter",
         .during =
             [](const Sandbox& s) {
                 ASSERT_TRUE(::DeleteFileA(s.SignalFile().c_str())) << ::GetLastError();
                 MakeFolders(s.SignalFile());
             }},
        {.situation = "step 10: held by the converter's helper past the end of the run",
         .scenario = ConverterSide({{"STANDIN_CONVERTER_HOLD_UNTIL", "%event%"}}),
         .left = Left::HeldFile,
         .leftBytes = "%output%\r\n"},
        {.situation = "step 10: written by the second clear-cache run, free",
         .scenario = ConverterSide({{"STANDIN_CLEARCACHE2_WRITE_SIGNAL", "left by the converter"}})},
        {.situation = "step 10: held by the second clear-cache run's helper",
         .scenario = ConverterSide({{"STANDIN_CLEARCACHE2_HOLD_UNTIL", "%event%"}}),
         .left = Left::HeldFile},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

// The print run ends so after taking the job, the converter run after
// writing the document: their exit codes, whatever they are, change nothing.
TEST(FaultMatrixTest, ChildrenThatCrashHangOrEndWith259)
{
    const char* prefixes[] = {"STANDIN_CLEARCACHE1_", "STANDIN_PRINT_", "STANDIN_CONVERTER_", "STANDIN_CLEARCACHE2_"};
    const std::pair<const char*, const char*> endings[] = {
        {"EXIT_CODE", "0xC0000005"}, // a crash
        {"SLEEP_MS", "2000"},        // hangs for a while
        {"EXIT_CODE", "259"},        // STILL_ACTIVE
    };
    for (const char* prefix : prefixes) {
        for (const auto& [action, value] : endings) {
            Check({.situation = std::string(prefix) + action + "=" + value,
                   .scenario = ConverterSide({{std::string(prefix) + action, value}})});
        }
    }
}

// Runs of one user whose temporary folders differ (a session of its own, a
// scheduled task, a caller that sets TMP) have signal files of their own and
// do not take turns, but share the converter's folder: each must still get
// its own document.
TEST(FaultMatrixTest, TwoRunsWithTheirOwnTemporaryFoldersAtOnceEachGetTheirOwnDocument)
{
    Sandbox sandboxes[2];
    const std::string converterFolder = sandboxes[0].Root() + "\\converter";
    std::unique_ptr<ChildProcess> runs[2];
    for (size_t i = 0; i < 2; ++i) {
        const Sandbox& sandbox = sandboxes[i];
        CopyFileOver(ARDENFOLD_CONVERTER_EXE, sandbox.ConverterExe());
        std::string document = sandbox.Root() + "\\document" + std::to_string(i) + ".txt";
        WriteFileBytes(document, "The document of run " + std::to_string(i) + "\r\n");
        runs[i] = StartCommandLine(sandbox,
                                   "{\"" + sandbox.ConverterExe() + "\" /PrintFile \"" + document + "\"} {" +
                                       Expand("%output%", sandbox) + "}",
                                   {{"ARDENFOLD_CONVERTER_FOLDER", converterFolder}});
    }
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FinishRun(*runs[i], {}, 90000).exitCode, Success);
        std::string output = Expand("%output%", sandboxes[i]);
        ASSERT_TRUE(PathExists(output));
        EXPECT_TRUE(Contains(ReadFileBytes(output), "/Title (document" + std::to_string(i) + ".txt)"))
            << "the run got another run's document";
    }
}

// Where TEMP is shared, another user may have made the working folder or
// its spool first. Such a folder is refused before anything is run or
// written there.
TEST(FaultMatrixTest, StartUp_AWorkingFolderAnotherUserCouldReach)
{
    auto work = [](const Sandbox& s) { return Global::FromAnsi(s.WorkFolder()); };
    auto made = [](const std::string& why) {
        EXPECT_EQ(why, "") << "another user's act could not be done here";
        return Global::FileHandle();
    };
    const std::string NotUsed = "; it is not used.";
    const Row rows[] = {
        {.situation = "start-up: a working folder that lets Everyone change it",
         .boxes = {"The folder \"%work%\" lets Everyone (S-1-1-0) change what is in it" + NotUsed},
         .exitCode = UnexpectedError,
         .document = false,
         .roles = "",
         .before =
             [&](const Sandbox& s) {
                 MakeFolders(s.WorkFolder());
                 return made(OpenToEveryone(work(s)));
             }},
        {.situation = "start-up: a working folder that another user owns",
         .boxes = {"The folder \"%work%\" belongs to another user, "},
         .exitCode = UnexpectedError,
         .document = false,
         .roles = "",
         .before =
             [&](const Sandbox& s) {
                 MakeFolders(s.WorkFolder());
                 return made(GiveToAnotherUser(work(s)));
             }},
        {.situation = "start-up: a working folder that is a junction to another folder",
         .boxes = {"The folder \"%work%\" is a link to another place (a junction or a symbolic link), which another "
                   "user could have made" + NotUsed},
         .exitCode = UnexpectedError,
         .document = false,
         .roles = "",
         .before =
             [&](const Sandbox& s) {
                 MakeFolders(s.Root() + "\\elsewhere");
                 return made(MakeFolderLink(work(s), Global::FromAnsi(s.Root() + "\\elsewhere")));
             },
         .after =
             [&](const Sandbox& s) {
                 EXPECT_FALSE(PathExists(s.Root() + "\\elsewhere\\CommandLine.txt")) << "written through the link";
                 EXPECT_EQ(RemoveFolderLink(work(s)), "");
             }},
        {.situation = "start-up: a spool in the working folder that another user owns",
         .boxes = {"The folder \"%work%\\Spool\" belongs to another user, "},
         .exitCode = UnexpectedError,
         .document = false,
         .roles = "",
         .before =
             [&](const Sandbox& s) {
                 MakeFolders(s.WorkFolder() + "\\Spool");
                 return made(GiveToAnotherUser(work(s) + L"\\Spool"));
             }},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(FaultMatrixTest, StartUp_DataFolderCannotBeMade)
{
    const std::string maker = CommonAppDataFolder() + "\\Marrowgate";
    for (const std::string& blocked : {maker, maker + "\\Ardenfold Converter"}) {
        SCOPED_TRACE(blocked);
        Sandbox sandbox;
        // The data folder is the program's own: a test may remove it.
        MakeFolders(blocked.substr(0, blocked.rfind('\\')));
        ASSERT_TRUE(RemoveTree(blocked));
        WriteFileBytes(blocked, "a file where a folder should be");
        Global::ScopeExit unblock([&] { RemoveTree(blocked); });
        RunResult result = RunConversion(sandbox, "", ConverterSide(), {IDOK});
        EXPECT_EQ(result.exitCode, UnexpectedError);
        ExpectBoxes(result, {"The folder \"" + blocked + "\" could not be made: "});
        EXPECT_TRUE(Runs(sandbox).empty()) << "the run went on past the start-up";
        EXPECT_FALSE(PathExists(sandbox.WorkFolder())) << "the run went on past the failing step";
    }
}

// No long form of a missing folder: the working folder is made under the
// current folder instead, and the conversion goes on there.
TEST(FaultMatrixTest, StartUp_TemporaryFolderMissing)
{
    Sandbox sandbox;
    const std::string missing = sandbox.Root() + "\\no such folder";
    RunResult result = RunConversion(sandbox, "", ConverterSide({{"TMP", missing}, {"TEMP", missing}}), {});
    EXPECT_EQ(result.exitCode, Success);
    EXPECT_TRUE(PathExists(Expand("%output%", sandbox)));
    EXPECT_TRUE(IsFolder(sandbox.Root() + "\\PDFCreator"));
    EXPECT_FALSE(PathExists(sandbox.Root() + "\\PDFCreator\\CommandLine.txt"));
    EXPECT_FALSE(PathExists(sandbox.WorkFolder()));
}

} // namespace
} // namespace EndToEnd
