#include "ConverterLog.h"

#include "AnsiText.h"
#include "FileContent.h"
#include "Handle.h"
#include "ConverterFolder.h"
#include "UserMutex.h"

#include <windows.h>

#include <cstdio>

namespace Converter {

using namespace Global;

namespace {

// Long enough for another converter to append its line and trim the log.
constexpr DWORD MutexWaitMs = 5000;

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string bytes(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

// One line stays one line, and its quotes stay its own.
std::string Field(const std::wstring& text)
{
    std::string bytes = Utf8(text);
    for (char& byte : bytes) {
        if (byte == '\r' || byte == '\n' || byte == '\t') {
            byte = ' ';
        } else if (byte == '"') {
            byte = '\'';
        }
    }
    return bytes;
}

std::string Now()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03uZ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return buffer;
}

} // namespace

std::wstring LogFilePath(const std::wstring& converterFolder)
{
    return converterFolder + L"\\Converter.log";
}

std::wstring LogMutexName(const std::wstring& converterFolder)
{
    return UserMutexName(L"Ardenfold.ConverterLog", LogFilePath(converterFolder));
}

std::string FormatLogLine(const std::string& time, const LogEvent& event)
{
    return time + " " + Field(event.outcome) + " job=" + (event.job.empty() ? "-" : Field(event.job)) +
           " document=\"" + Field(event.document) + "\" replaced=" + std::to_string(event.replacedCharacters) +
           (event.replacedByScript.empty() ? "" : " scripts=\"" + Field(event.replacedByScript) + "\"") +
           " reason=\"" + Field(event.reason) + "\"\r\n";
}

std::string NewestLines(const std::string& log, size_t keep)
{
    if (log.size() <= keep) {
        return log;
    }
    size_t start = log.find('\n', log.size() - keep - 1);
    return start == std::string::npos ? std::string() : log.substr(start + 1);
}

bool WriteLog(const std::wstring& converterFolder, const LogEvent& event) noexcept
{
    try {
        std::string line = FormatLogLine(Now(), event);
        MakeFolderTree(converterFolder);
        std::wstring path = LogFilePath(converterFolder);
        // Every session of the user writes this log, a task in session 0
        // too: the mutex is machine-wide, named after the log, and admits
        // the user alone (one that another user made is refused).
        KernelHandle mutex = OpenUserMutex(LogMutexName(converterFolder));
        // An abandoned mutex is ours now: its owner died between two lines.
        if (!TakeMutex(mutex.Get(), MutexWaitMs)) {
            return false;
        }
        ScopeExit release([&] { ::ReleaseMutex(mutex.Get()); });

        std::string ansi = ToAnsi(path);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data) &&
            data.nFileSizeHigh == 0 && data.nFileSizeLow + line.size() > MaxLogBytes) {
            WriteFileBytes(path, NewestLines(ReadFileBytes(path), KeptLogBytes - line.size()));
        }
        FileHandle file(::CreateFileA(ansi.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return false;
        }
        DWORD written = 0;
        return ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
               written == line.size();
    } catch (...) {
        return false;
    }
}

} // namespace Converter
