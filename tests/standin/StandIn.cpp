// A stand-in for the converter side, for the end-to-end tests. The tests
// place it as PDFCreator.exe in a sandbox program folder and also start it as
// the print command. Each run appends a record of what it was given and of
// the signal file as it found it to the log named by STANDIN_LOG, and then
// plays its part of the test's scenario.
//
// Its role comes from its arguments: "/ClearCache /NoStart" is a clear-cache
// run, none is a converter run, anything else is a print run. The scenario
// is read from STANDIN_<ROLE>_<ACTION> (ROLE: CLEARCACHE, PRINT, CONVERTER),
// or from STANDIN_<ROLE><n>_<ACTION> for the n-th run of that role alone
// (STANDIN_CLEARCACHE2_HOLD_MS: the second clear-cache run), carried out in
// this order:
//   WRITE_SIGNAL=<text>  write the text into the signal file (a stale file)
//   REMOVE_MARKER=1      delete the signal file, as the converter side does
//                        after a print job; waits (bounded) while it is held
//   HOLD_MS=<n>          have a helper process hold the signal file open for
//                        n ms, beyond this run's end
//   WRITE_OUTPUT=1       write a small document at the path handed over in
//                        the signal file
//   SLEEP_MS=<n>         sleep
//   EXIT_CODE=<n>        end with this code (decimal or 0x...; default 0)
// The signal file is the one the program finds (same rule, same TMP), or
// STANDIN_SIGNAL_FILE when set.
//
// "/HoldSignalFile <ms> <path>" is the helper mode behind HOLD_MS.
#include "StandInLog.h"
#include "WorkingFolders.h"

#include "AnsiText.h"
#include "Error.h"

#include <windows.h>

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

std::string ArgumentText(const std::string& commandLine)
{
    // The program's name is quoted, or the stand-in's own unquoted path (the
    // converter command line is never quoted, spaces or not), or ends at the
    // first blank.
    size_t end = 0;
    char self[MAX_PATH] = {};
    DWORD selfLength = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t close = commandLine.find('"', 1);
        end = close == std::string::npos ? commandLine.size() : close + 1;
    } else if (selfLength > 0 && commandLine.size() >= selfLength &&
               ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, commandLine.c_str(), static_cast<int>(selfLength),
                                self, static_cast<int>(selfLength)) == CSTR_EQUAL) {
        end = selfLength;
    } else {
        end = commandLine.find_first_of(" \t");
        end = end == std::string::npos ? commandLine.size() : end;
    }
    std::string arguments = commandLine.substr(end);
    size_t first = arguments.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : arguments.substr(first, arguments.find_last_not_of(' ') - first + 1);
}

std::string SignalFilePath()
{
    std::string path = Variable("STANDIN_SIGNAL_FILE");
    if (!path.empty()) {
        return path;
    }
    try {
        return Global::ToAnsi(Ardenfold_API::FindSignalFilePath());
    } catch (const Global::Error& error) {
        return "?" + Global::ToAnsiForDisplay(error.Description());
    }
}

void ReadSignal(const std::string& path, StandIn::RunRecord& record)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        record.signalState = "absent";
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        record.signalState = "folder";
        return;
    }
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        record.signalState = "unreadable";
        return;
    }
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        record.signalBytes.append(buffer, read);
    }
    ::CloseHandle(file);
    record.signalState = "bytes";
}

void AppendToLog(const std::string& text)
{
    std::string path = Variable("STANDIN_LOG");
    if (path.empty()) {
        return;
    }
    // Another run may be appending at the same moment: retry a held log.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE log = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            ::CloseHandle(log);
            return;
        }
        ::Sleep(50);
    }
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
}

bool IsHeld(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        return false;
    }
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
}

void RemoveMarker(const std::string& path)
{
    // Bounded: a test never waits on the stand-in for long.
    for (int attempt = 0; attempt < 400; ++attempt) {
        DWORD attributes = ::GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ::RemoveDirectoryA(path.c_str())
                                                                     : ::DeleteFileA(path.c_str());
        if (removed) {
            return;
        }
        ::Sleep(50);
    }
}

void StartHolder(const std::string& path, DWORD ms)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = "\"" + std::string(self) + "\" /HoldSignalFile " + std::to_string(ms) + " " + path;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    for (int attempt = 0; attempt < 400 && !IsHeld(path); ++attempt) {
        ::Sleep(25);
    }
}

int HoldSignalFile(const std::string& arguments)
{
    // "<ms> <path>": the path is the rest, blanks and all.
    size_t blank = arguments.find(' ');
    DWORD ms = Number(arguments.substr(0, blank));
    std::string path = blank == std::string::npos ? std::string() : arguments.substr(blank + 1);
    // Readers are let in, so that a print run can record what it finds;
    // nobody can write or delete it while it is held.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ::Sleep(ms);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    return 0;
}

void WriteOutput(const std::string& signalPath)
{
    StandIn::RunRecord handOver;
    ReadSignal(signalPath, handOver);
    std::string outputPath = handOver.signalBytes.substr(0, handOver.signalBytes.find("\r\n"));
    if (!outputPath.empty()) {
        WriteBytes(outputPath, "%PDF-1.4\n% written by the converter stand-in\n");
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
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    record.currentFolder = folder;
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

    if (std::string text = scenario("WRITE_SIGNAL"); !text.empty()) {
        WriteBytes(record.signalPath, text);
    }
    if (!scenario("REMOVE_MARKER").empty()) {
        RemoveMarker(record.signalPath);
    }
    if (std::string ms = scenario("HOLD_MS"); !ms.empty()) {
        StartHolder(record.signalPath, Number(ms));
    }
    if (!scenario("WRITE_OUTPUT").empty()) {
        WriteOutput(record.signalPath);
    }
    if (std::string ms = scenario("SLEEP_MS"); !ms.empty()) {
        ::Sleep(Number(ms));
    }
    ::ExitProcess(Number(scenario("EXIT_CODE")));
}
