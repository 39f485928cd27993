#include "SoakRun.h"

#include "Documents.h"
#include "Files.h"
#include "MachineGauge.h"
#include "MessageBoxProbe.h"
#include "PrintedJob.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace Soak {

using namespace TestSupport;

namespace {

// The order in which the run's job sees its processes start: CommandLine.exe
// itself, the first clear-cache run, the print run, the converter run (for
// the print run that stays, its own /PrintFile child comes before it).
constexpr DWORD PrintRunOrdinal = 3;
constexpr DWORD ConverterRunOrdinal = 4;
constexpr DWORD BoxCheckIntervalMs = 50;
constexpr DWORD KillCode = 0xDEAD;
// A converter run is killed at a moment drawn from up to this long after its
// start-up has ended: while it reads, renders, writes or renames.
constexpr DWORD ConverterKillSpreadMs = 100;

const std::string OldDocument = "an old document that no run may replace";

// The box has no title of its own: the system shows the program's name.
const std::string AppTitle = "CommandLine";
const std::string MissingFilesText = "Some required files are missing or corrupted.\n"
                                     "To get technical support on this, Please contact at:  \n"
                                     "\n"
                                     "support@marrowgate.example";

std::string Number(size_t run)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04zu", run);
    return text;
}

// The processes of the run other than CommandLine.exe itself.
std::vector<DWORD> Children(const ChildProcess& child)
{
    std::vector<DWORD> ids = child.ProcessesInJob();
    std::erase(ids, child.Id());
    return ids;
}

// Wine's server cannot take the end of a process that is still starting:
// killed while it hands the server its first file descriptor, the server
// itself crashes (it looks up the process's first thread, and there is none
// yet). Once the loader has mapped more than the program, start-up is over.
bool HasStarted(DWORD id)
{
    Global::KernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    HMODULE modules[4] = {};
    DWORD needed = 0;
    return process && ::EnumProcessModules(process.Get(), modules, sizeof modules, &needed) &&
           needed >= 2 * sizeof(HMODULE);
}

bool KillProcess(DWORD id)
{
    Global::KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process || !::TerminateProcess(process.Get(), KillCode)) {
        return false;
    }
    ::WaitForSingleObject(process.Get(), 10000);
    return true;
}

// The printer that PDFCreator.exe /AddPrinter installs.
const std::string PrinterName = "Ardenfold PDF";
// How long another process holds a printed job's file.
constexpr DWORD JobHeldMs = 2000;

// Killed while it still worked: a process that was already on its way out
// (its work done, its exit code set) keeps its own exit code, and the kill
// came too late to count.
bool KilledAtWork(DWORD id)
{
    Global::KernelHandle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE,
                                               FALSE, id));
    DWORD code = 0;
    return process && ::TerminateProcess(process.Get(), KillCode) &&
           ::WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process.Get(), &code) &&
           code == KillCode;
}

void SetWrittenAnHourAgo(const Global::FileHandle& file)
{
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 3600ULL * 10000000ULL;
    FILETIME old{time.LowPart, time.HighPart};
    ::SetFileTime(file.Get(), nullptr, nullptr, &old);
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry{};
    Global::FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &entry));
    while (search) {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
        if (!::FindNextFileA(search.Get(), &entry)) {
            break;
        }
    }
    return names;
}

} // namespace

SoakRun::SoakRun(const Places& places, size_t run, Fault fault, uint32_t seed)
    : places_(places), expectation_(ExpectationOf(fault)), seed_(seed)
{
    record_.run = run;
    record_.fault = fault;
    record_.injected = fault == Fault::None;
    std::seed_seq sequence{seed, static_cast<uint32_t>(run), 1u};
    killDelayMs_ = std::mt19937(sequence)() % ConverterKillSpreadMs;
    folder_ = "runs\\" + Number(run);
    Prepare();

    std::string printCommand = !printCommand_.empty()
                                   ? printCommand_
                                   : "\"" + places_.programFolder + "\\PDFCreator.exe\" /PrintFile \"" + document_ + "\"";
    if (fault == Fault::KilledPrintRun) {
        std::string event = "SoakPrinted" + std::to_string(::GetCurrentProcessId()) + "-" + Number(run);
        printed_.Reset(::CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
        printCommand = "\"" + places_.printRunExe + "\" \"" + places_.programFolder + "\\PDFCreator.exe\" \"" +
                       document_ + "\" " + event;
    }
    std::string commandLine =
        "\"" + places_.programFolder + "\\CommandLine.exe\" {" + printCommand + "} {" + output_ + "}";
    const std::string temp = expectation_.printer ? places_.SessionTemp(run % 2) : places_.Temp();
    started_ = ::GetTickCount();
    // The printing programs take turns at Wine's spooler (see PrintRaw.cpp).
    const std::string turn = "SoakSpoolerTurn" + std::to_string(::GetCurrentProcessId());
    child_ = std::make_unique<ChildProcess>(
        commandLine, Environment{{"TMP", temp}, {"TEMP", temp}, {"PRINT_TEXT_MUTEX", turn}}, places_.work + "\\" + folder_);
}

SoakRun::~SoakRun() = default;

void SoakRun::Prepare()
{
    const std::string root = places_.work + "\\" + folder_;
    MakeFolders(root);
    if (expectation_.printer) {
        printCommand_ = PreparePrinted(root);
        output_ = root + "\\out\\doc.pdf";
        MakeFolders(root + "\\out");
        return;
    }
    bool hostile = record_.fault == Fault::HostileBytes || record_.fault == Fault::HostileHugePng ||
                   record_.fault == Fault::HostileTruncatedJpeg;
    if (hostile) {
        document_ = root + "\\" + HostileFileName(record_.fault);
        WriteFileBytes(document_, MakeHostile(record_.fault, record_.run, seed_));
    } else {
        document_ = root + "\\doc.txt";
        std::string text = MakeText(record_.run, seed_);
        WriteFileBytes(document_, text);
        // Kept apart: the document itself may be deleted during the run.
        WriteFileBytes(root + "\\expected.txt", text);
    }
    output_ = record_.fault == Fault::OutputFolderFull ? places_.FullFolder() + "\\" + Number(record_.run) + ".pdf"
                                                       : root + "\\out\\doc.pdf";

    switch (record_.fault) {
    case Fault::HeldSignalFile:
        MakeFolders(places_.Temp() + "\\PDFCreator");
        if (!PathExists(places_.SignalFile())) {
            WriteFileBytes(places_.SignalFile(), "");
        }
        held_ = HoldFile(places_.SignalFile());
        record_.injected = true;
        break;
    case Fault::OutputIsUnderFile:
        WriteFileBytes(root + "\\out", OldDocument);
        record_.injected = true;
        break;
    case Fault::OutputIsFolder:
        MakeFolders(output_);
        record_.injected = true;
        break;
    case Fault::OutputFolderFull:
        MakeFolders(root + "\\out");
        record_.injected = true;
        break;
    case Fault::OutputHeld:
        MakeFolders(root + "\\out");
        WriteFileBytes(output_, OldDocument);
        held_.Reset(::CreateFileA(output_.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        SetWrittenAnHourAgo(held_);
        record_.injected = static_cast<bool>(held_);
        break;
    default:
        MakeFolders(root + "\\out");
        record_.injected = record_.injected || hostile;
        break;
    }
}

// Half the runs print through GDI, as most programs do; the others, and
// every fault that acts on the job itself, hand the printer PostScript of
// their own.
std::string SoakRun::PreparePrinted(const std::string& root)
{
    const Fault fault = record_.fault;
    const std::string title = "Soak" + Number(record_.run);
    std::seed_seq sequence{seed_, static_cast<uint32_t>(record_.run), 2u};
    std::mt19937 random(sequence);
    if ((fault == Fault::Printed || fault == Fault::GhostscriptKilled) && random() % 2 == 0) {
        const int words = 8 + static_cast<int>(random() % 57), pages = 1 + static_cast<int>(random() % 3);
        WriteFileBytes(root + "\\expected.txt", PrintTextWords(words, pages));
        record_.injected = fault == Fault::Printed;
        return "\"" + places_.printTextExe + "\" \"" + PrinterName + "\" " + std::to_string(words) + " " +
               std::to_string(pages) + " " + title;
    }
    const std::string text = MakeText(record_.run, seed_);
    WriteFileBytes(root + "\\expected.txt", text);
    document_ = root + "\\doc.ps";
    WriteFileBytes(document_, MakePostScript(text, title, fault == Fault::JobCutShort));
    std::string command = "\"" + places_.printRawExe + "\" \"" + PrinterName + "\" \"" + document_ + "\" " + title;
    if (fault == Fault::WatcherKilled || fault == Fault::JobFileHeld) {
        const std::string event = "SoakJob" + std::to_string(::GetCurrentProcessId()) + "-" + Number(record_.run);
        halfWay_.Reset(::CreateEventA(nullptr, TRUE, FALSE, (event + ".half").c_str()));
        goOn_.Reset(::CreateEventA(nullptr, TRUE, FALSE, (event + ".go").c_str()));
        command += " " + event;
    }
    if (fault == Fault::JobOverCap) {
        command += " \"\" " + std::to_string(SignalExchange::MaxPrintedJobBytes + (1ull << 20));
    }
    record_.injected = fault == Fault::Printed || fault == Fault::JobOverCap || fault == Fault::JobCutShort;
    return command;
}

void SoakRun::InjectPrinted()
{
    switch (record_.fault) {
    case Fault::GhostscriptKilled: {
        std::vector<DWORD> inJob = child_->ProcessesInJob();
        for (DWORD id : ProcessesNamed("gs.exe", &inJob)) {
            record_.injected = (HasStarted(id) && KilledAtWork(id)) || record_.injected;
        }
        break;
    }
    case Fault::WatcherKilled:
        // The run is the only one under way: every converter process now is
        // a watcher.
        if (::WaitForSingleObject(halfWay_.Get(), 0) == WAIT_OBJECT_0) {
            for (DWORD id : ProcessesNamed("PDFCreator.exe")) {
                record_.injected = KillProcess(id) || record_.injected;
            }
            if (!record_.injected) {
                record_.failures.push_back("no print watcher ran while the job was printed");
                record_.injected = true;
            }
            ::SetEvent(goOn_.Get());
        }
        break;
    case Fault::JobFileHeld:
        // The spooler hands the port the job once the program ends it: from
        // then on the soak looks for the job's file at every poll, twenty
        // times as often as the watcher, and holds it from the first sight
        // (all sharing allowed, so that the port's rename goes through).
        if (::WaitForSingleObject(halfWay_.Get(), 0) == WAIT_OBJECT_0) {
            ::SetEvent(goOn_.Get());
            const std::string printed = places_.SessionTemp(record_.run % 2) + "\\PDFCreator\\Printed";
            for (const std::string& name : Entries(printed)) {
                const bool job = name.ends_with(".job") || name.ends_with(".job.part");
                if (job && !held_) {
                    held_.Reset(::CreateFileA((printed + "\\" + name).c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
                }
            }
            if (held_) {
                record_.injected = true;
                heldAt_ = ::GetTickCount();
            }
        }
        break;
    default:
        break;
    }
}

bool SoakRun::Poll()
{
    if (child_->HasExited()) {
        return true;
    }
    if (!record_.injected) {
        expectation_.printer ? InjectPrinted() : Inject();
    }
    if (held_ && heldAt_ != 0 && ::GetTickCount() - heldAt_ > JobHeldMs) {
        held_.Reset();
    }
    AnswerBoxes();
    if (::GetTickCount() - started_ > expectation_.boundMs) {
        record_.failures.push_back("no end within " + std::to_string(expectation_.boundMs) + " ms: killed");
        killed_ = true;
        child_->Kill();
        return true;
    }
    return false;
}

void SoakRun::Inject()
{
    const DWORD started = child_->ProcessesStarted();
    switch (record_.fault) {
    case Fault::KilledPrintRun:
        // The print run has handed its job over and stays until it is killed.
        if (::WaitForSingleObject(printed_.Get(), 0) == WAIT_OBJECT_0) {
            for (DWORD id : Children(*child_)) {
                record_.injected = KillProcess(id) || record_.injected;
            }
        }
        break;
    case Fault::KilledConverterRun:
        if (started == ConverterRunOrdinal) {
            for (DWORD id : Children(*child_)) {
                if (converterStartedAt_ == 0 && HasStarted(id)) {
                    converterStartedAt_ = ::GetTickCount();
                }
                if (converterStartedAt_ != 0 && ::GetTickCount() - converterStartedAt_ >= killDelayMs_) {
                    record_.injected = KillProcess(id) || record_.injected;
                }
            }
            record_.late = record_.injected && PathExists(output_);
        }
        break;
    case Fault::DocumentGone:
        // The print run has ended once the next process starts, or once no
        // process but CommandLine.exe is left after it.
        if (started > PrintRunOrdinal || (started == PrintRunOrdinal && Children(*child_).empty())) {
            record_.injected = ::DeleteFileA(document_.c_str()) != 0;
            if (!record_.injected) {
                record_.failures.push_back("the document could not be deleted (error " +
                                           std::to_string(::GetLastError()) + ")");
                record_.injected = true;
            }
        }
        break;
    default:
        break;
    }
}

void SoakRun::AnswerBoxes()
{
    DWORD now = ::GetTickCount();
    if (now - lastBoxCheck_ < BoxCheckIntervalMs) {
        return;
    }
    lastBoxCheck_ = now;
    std::optional<SeenBox> box = FindMessageBox(child_->Id());
    if (!box || box->window == lastBox_) {
        return;
    }
    lastBox_ = box->window;
    record_.boxes.push_back(box->title + " | " + box->text);
    // The answer a run takes where nobody can see it: OK, or No at the help prompt.
    PressButton(*box, box->Has(IDOK) ? IDOK : box->Has(IDNO) ? IDNO : IDCANCEL);
}

RunRecord SoakRun::Finish()
{
    RunRecord record = std::move(record_);
    record.ms = ::GetTickCount() - started_;
    if (auto code = child_->WaitForExit(0); code && !killed_) {
        record.exited = true;
        record.exitCode = *code;
    }
    held_.Reset();
    if (record.fault == Fault::HeldSignalFile && !PathExists(places_.SignalFile())) {
        record.failures.push_back("the held signal file is gone");
    }

    // A fault whose moment never came leaves a plain run; a converter run
    // killed after its PDF was in place is one that crashed after writing.
    std::vector<DWORD> expected = expectation_.exitCodes;
    bool textMatches = expectation_.textMatches;
    if (!record.injected || record.late) {
        expected = {0};
        textMatches = record.fault != Fault::HostileBytes && record.fault != Fault::HostileHugePng &&
                      record.fault != Fault::HostileTruncatedJpeg && record.fault != Fault::JobOverCap &&
                      record.fault != Fault::JobCutShort;
    }
    if (record.exited && std::find(expected.begin(), expected.end(), record.exitCode) == expected.end()) {
        std::string codes;
        for (DWORD code : expected) {
            codes += (codes.empty() ? "" : " or ") + std::to_string(code);
        }
        record.failures.push_back("exit " + std::to_string(record.exitCode) + ", expected " + codes);
    }

    std::vector<std::string> expectedBoxes;
    if (expectation_.missingFilesBox) {
        expectedBoxes.push_back(AppTitle + " | " + MissingFilesText);
    }
    if (record.boxes != expectedBoxes) {
        record.failures.push_back(std::to_string(record.boxes.size()) + " box(es), expected " +
                                  std::to_string(expectedBoxes.size()));
    }
    if (record.exited) {
        CheckOutput(record);
        if (record.exitCode == 0 && textMatches) {
            record.pdf = folder_ + "\\out\\doc.pdf";
            record.expectedText = folder_ + "\\expected.txt";
        }
    }
    return record;
}

void SoakRun::CheckOutput(RunRecord& record)
{
    const std::string out = places_.work + "\\" + folder_ + "\\out";
    auto fail = [&](const std::string& what) { record.failures.push_back(what); };
    switch (record.fault) {
    case Fault::OutputIsUnderFile:
        if (IsFolder(out) || ReadFileBytes(out) != OldDocument) {
            fail("the file in place of the output folder was changed");
        }
        return;
    case Fault::OutputIsFolder:
        if (!IsFolder(output_) || !Entries(output_).empty()) {
            fail("the folder at the output path was changed");
        }
        break;
    case Fault::OutputFolderFull:
        for (const std::string& name : Entries(places_.FullFolder())) {
            if (name != "filler") {
                fail("left in the full folder: " + name);
            }
        }
        break;
    case Fault::OutputHeld:
        if (ReadFileBytes(output_) != OldDocument) {
            fail("the held old document was replaced");
        }
        break;
    default:
        if (record.exitCode == 0 && !PathExists(output_)) {
            fail("exit 0 but no document at the output path");
        }
        if (record.exitCode != 0 && PathExists(output_)) {
            fail("a document at the output path after exit " + std::to_string(record.exitCode));
        }
        break;
    }
    for (const std::string& name : Entries(out)) {
        if (name != "doc.pdf") {
            fail("left in the output folder: " + name);
        }
    }
}

} // namespace Soak
