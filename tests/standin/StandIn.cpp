// A stand-in for the converter side, for the end-to-end tests: placed as
// PDFCreator.exe in a sandbox program folder and started as the print
// command. Each run appends a record of what it was given and of the signal
// file as it found it to the log named by STANDIN_LOG, then plays its part.
//
// Its role comes from its arguments: "/ClearCache /NoStart" is a clear-cache
// run, none a converter run, anything else a print run. The scenario is read
// from STANDIN_<ROLE>_<ACTION> (ROLE: CLEARCACHE, PRINT, CONVERTER), or from
// STANDIN_<ROLE><n>_<ACTION> for the n-th run of that role alone, done in
// this order:
//   SET_EVENT=<event>    set the named event, then wait (bounded) until
//                        nobody holds the signal file any more
//   WRITE_SIGNAL=<text>  write the text into the signal file (a stale file)
//   REMOVE_MARKER=1      delete the signal file, as the converter side does
//                        after a print job; waits (bounded) while it is held
//   HOLD_MS=<n>          have a helper ("/HoldSignalFile <ms> <path>") hold
//                        the signal file open for n ms, beyond this run's end
//   HOLD_UNTIL=<event>   the same, until the named event is set (60 s at most)
//   WRITE_OUTPUT=1       write a document at the path handed over
//   BACKDATE_OUTPUT=<s>  ...and set its last-write time s seconds back, as a
//                        file server whose clock is behind would
//   WRITE_PARTIAL=1      write a partial file beside the path handed over,
//                        under the name the converter of this process id
//                        would give it, and leave it (a converter killed
//                        while it writes)
//   SLEEP_MS=<n>         sleep
//   WAIT_EVENT=<event>   set "<event>.waiting", the test's cue that this run
//                        has done all of the above, then wait until the named
//                        event is set (60 s at most): the test acts
//                        meanwhile, then lets the run end
//   EXIT_CODE=<n>        end with this code (decimal or 0x...; default 0)
// The signal file is the one the program finds (same rule, same TMP), or
// STANDIN_SIGNAL_FILE when set.
#include "StandInLog.h"
#include "PartialFile.h"
#include "SignalFileLocation.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

std::string Variable(const std::string& name)
{
    char value[4096] = {};
    DWORD length = ::GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

DWORD Number(const std::string& text)
{
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

std::string Self()
{
    char self[MAX_PATH] = {};
    return std::string(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
}

std::string ArgumentText(const std::string& commandLine)
{
    // The program's name is quoted, or the stand-in's own unquoted path (the
    // converter command line is never quoted, spaces or not), or ends at the
    // first blank.
    std::string self = Self();
    size_t end = commandLine.find_first_of(" \t");
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1) + 1;
    } else if (!self.empty() && commandLine.size() >= self.size() &&
               ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, commandLine.c_str(), static_cast<int>(self.size()),
                                self.c_str(), static_cast<int>(self.size())) == CSTR_EQUAL) {
        end = self.size();
    }
    std::string arguments = end == 0 || end == std::string::npos ? std::string() : commandLine.substr(end);
    size_t first = arguments.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : arguments.substr(first, arguments.find_last_not_of(' ') - first + 1);
}

std::string SignalFilePath()
{
    std::string path = Variable("STANDIN_SIGNAL_FILE");
    try {
        return path.empty() ? Global::ToAnsi(SignalExchange::FindSignalFilePath()) : path;
    } catch (const Global::Error& error) {
        return "?" + Global::ToAnsiForDisplay(error.Description());
    }
}

Global::FileHandle Open(const std::string& path, DWORD access, DWORD share, DWORD disposition)
{
    return Global::FileHandle(
        ::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void ReadSignal(const std::string& path, StandIn::RunRecord& record)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    Global::FileHandle file;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        record.signalState = "absent";
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        record.signalState = "folder";
    } else if (!(file = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             OPEN_EXISTING))) {
        record.signalState = "unreadable";
    } else {
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
            record.signalBytes.append(buffer, read);
        }
        record.signalState = "bytes";
    }
}

void Write(const std::string& path, const std::string& bytes, DWORD access, DWORD disposition)
{
    if (Global::FileHandle file = Open(path, access, FILE_SHARE_READ, disposition)) {
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

// Retries every 25 ms, 400 times at most: a test never waits on the stand-in for long.
template <typename Condition>
void RetryUntil(Condition condition)
{
    for (int attempt = 0; attempt < 400 && !condition(); ++attempt) {
        ::Sleep(25);
    }
}

void AppendToLog(const std::string& text)
{
    std::string path = Variable("STANDIN_LOG");
    // Another run may be appending at the same moment: retry a held log.
    RetryUntil([&] {
        Global::FileHandle log = Open(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
        DWORD written = 0;
        return path.empty() ||
               (log && ::WriteFile(log.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    });
}

void RemoveMarker(const std::string& path)
{
    RetryUntil([&] {
        DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes == INVALID_FILE_ATTRIBUTES ||
               ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ::RemoveDirectoryA(path.c_str())
                                                             : ::DeleteFileA(path.c_str()));
    });
}

// A manual-reset event of the test's session, made by whichever side asks first.
Global::KernelHandle Event(const std::string& name)
{
    return Global::KernelHandle(::CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
}

// The handshakes of the tests are bounded too: a test that never sets its
// event fails on its own bounds, not by a hung stand-in.
constexpr DWORD EventWaitLimit = 60000;

void WaitForEvent(const std::string& name)
{
    if (Global::KernelHandle event = Event(name)) {
        ::WaitForSingleObject(event.Get(), EventWaitLimit);
    }
}

// The holder's "how long": a number of milliseconds, or the name of an event.
void StartHolder(const std::string& path, const std::string& howLong)
{
    std::string commandLine = "\"" + Self() + "\" /HoldSignalFile " + howLong + " " + path;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    RetryUntil([&] { return !Open(path, GENERIC_READ, 0, OPEN_EXISTING) && ::GetLastError() == ERROR_SHARING_VIOLATION; });
}

int HoldSignalFile(const std::string& arguments)
{
    // "<ms> <path>": the path is the rest, blanks and all. Readers are let
    // in, so that a print run can record what it finds; nobody can write or
    // delete the file while it is held.
    size_t blank = arguments.find(' ');
    Global::FileHandle file = Open(blank == std::string::npos ? std::string() : arguments.substr(blank + 1),
                                   GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS);
    std::string howLong = arguments.substr(0, blank);
    if (!howLong.empty() && std::isdigit(static_cast<unsigned char>(howLong[0]))) {
        ::Sleep(Number(howLong));
    } else {
        WaitForEvent(howLong);
    }
    return 0;
}

std::string HandedOverPath(const std::string& signalPath)
{
    StandIn::RunRecord handOver;
    ReadSignal(signalPath, handOver);
    return handOver.signalBytes.substr(0, handOver.signalBytes.find("\r\n"));
}

void WritePartial(const std::string& signalPath)
{
    std::string outputPath = HandedOverPath(signalPath);
    size_t slash = outputPath.find_last_of('\\');
    if (slash == std::string::npos) {
        return;
    }
    std::wstring name = SignalExchange::PartialFileName(Global::FromAnsi(outputPath.substr(slash + 1)),
                                                        ::GetCurrentProcessId(), 0x0123456789abcdefull);
    Write(outputPath.substr(0, slash + 1) + Global::ToAnsi(name), "%PDF-1.4\n% cut short", GENERIC_WRITE, CREATE_NEW);
}

void WriteOutput(const std::string& signalPath, DWORD backdateSeconds)
{
    std::string outputPath = HandedOverPath(signalPath);
    if (outputPath.empty()) {
        return;
    }
    Write(outputPath, "%PDF-1.4\n% written by the converter stand-in\n", GENERIC_WRITE, CREATE_ALWAYS);
    if (backdateSeconds > 0) {
        FILETIME now{};
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
        time.QuadPart -= backdateSeconds * 10'000'000ULL;
        FILETIME back{time.LowPart, time.HighPart};
        if (Global::FileHandle file = Open(outputPath, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING)) {
            ::SetFileTime(file.Get(), nullptr, nullptr, &back);
        }
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string commandLine = ::GetCommandLineA();
    std::string arguments = ArgumentText(commandLine);
    if (arguments.compare(0, 16, "/HoldSignalFile ") == 0) {
        return HoldSignalFile(arguments.substr(16));
    }

    StandIn::RunRecord record;
    std::string prefix;
    if (arguments == "/ClearCache /NoStart") {
        record.role = "clear-cache";
        prefix = "STANDIN_CLEARCACHE";
    } else if (arguments.empty()) {
        record.role = "converter";
        prefix = "STANDIN_CONVERTER";
    } else {
        record.role = "print";
        prefix = "STANDIN_PRINT";
    }
    record.commandLine = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    record.startupFlags = startup.dwFlags;
    record.showWindow = startup.wShowWindow;
    record.signalPath = SignalFilePath();
    ReadSignal(record.signalPath, record);
    int ordinal = 1;
    for (const StandIn::RunRecord& earlier : StandIn::ReadLog(Variable("STANDIN_LOG"))) {
        ordinal += earlier.role == record.role ? 1 : 0;
    }
    AppendToLog(StandIn::FormatRecord(record));
    auto scenario = [&](const std::string& action) {
        std::string value = Variable(prefix + std::to_string(ordinal) + "_" + action);
        return value.empty() ? Variable(prefix + "_" + action) : value;
    };

    if (std::string event = scenario("SET_EVENT"); !event.empty()) {
        if (Global::KernelHandle handle = Event(event)) {
            ::SetEvent(handle.Get());
        }
        RetryUntil([&] {
            return Open(record.signalPath, GENERIC_READ, 0, OPEN_EXISTING) || ::GetLastError() != ERROR_SHARING_VIOLATION;
        });
    }
    if (std::string text = scenario("WRITE_SIGNAL"); !text.empty()) {
        Write(record.signalPath, text, GENERIC_WRITE, CREATE_ALWAYS);
    }
    if (!scenario("REMOVE_MARKER").empty()) {
        RemoveMarker(record.signalPath);
    }
    if (std::string ms = scenario("HOLD_MS"); !ms.empty()) {
        StartHolder(record.signalPath, std::to_string(Number(ms)));
    }
    if (std::string event = scenario("HOLD_UNTIL"); !event.empty()) {
        StartHolder(record.signalPath, event);
    }
    if (!scenario("WRITE_OUTPUT").empty()) {
        WriteOutput(record.signalPath, Number(scenario("BACKDATE_OUTPUT")));
    }
    if (!scenario("WRITE_PARTIAL").empty()) {
        WritePartial(record.signalPath);
    }
    ::Sleep(Number(scenario("SLEEP_MS")));
    if (std::string event = scenario("WAIT_EVENT"); !event.empty()) {
        if (Global::KernelHandle waiting = Event(event + ".waiting")) {
            ::SetEvent(waiting.Get());
        }
        WaitForEvent(event);
    }
    ::ExitProcess(Number(scenario("EXIT_CODE")));
}
