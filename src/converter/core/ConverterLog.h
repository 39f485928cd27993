#pragma once
// The converter's log: one line per event, so that a user whose run ended
// with exit 6 can read why. It lies beside the spool, in the converter's
// folder (<local application data>\Marrowgate\Ardenfold\Converter.log), is bounded
// in size (the oldest lines go first) and is shared by every PDFCreator.exe
// of the user, in any session, which take turns through a machine-wide named
// mutex that admits the user alone.
#include <cstddef>
#include <string>

namespace Converter {

struct LogEvent {
    std::wstring job;      // the spool job's file name; empty when none
    std::wstring document; // the document's path or name
    std::wstring outcome;  // "taken", "refused", "unreadable", "converted", "failed", "cleared"
    std::wstring reason;   // why, for anything but success; also what was made
    size_t replacedCharacters = 0;
    std::wstring replacedByScript; // "Khmer 12, control 1"; empty when none
};

// The log's size bound, and what is kept of it once the bound is reached.
inline constexpr size_t MaxLogBytes = 256 * 1024;
inline constexpr size_t KeptLogBytes = 128 * 1024;

std::wstring LogFilePath(const std::wstring& converterFolder);

// "Global\Ardenfold.ConverterLog.<hash of the log's path>".
std::wstring LogMutexName(const std::wstring& converterFolder);

// One line, UTF-8, ending in CR LF: "<UTC time> <outcome> job=<job>
// document="<document>" replaced=<n> reason="<reason>"", with
// scripts="<script> <n>, ..." after replaced=<n> when characters were replaced.
std::string FormatLogLine(const std::string& time, const LogEvent& event);

// The newest whole lines of the log that fit in `keep` bytes.
std::string NewestLines(const std::string& log, size_t keep);

// Appends the event's line to the log in the converter's folder, making the
// folder where missing. Never throws: a log that cannot be written (another
// process holds the mutex too long, a full disk) must not fail a
// conversion. False when the line was not written.
bool WriteLog(const std::wstring& converterFolder, const LogEvent& event) noexcept;

} // namespace Converter
