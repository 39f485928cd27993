#pragma once
// The converter's side of the signal file "CommandLine.txt", which
// CommandLine.exe keeps: an empty marker while it waits for a print job, a
// one-line hand-over file while the converter runs.
#include <string>

namespace Converter {

// Deletes the marker: the file exists, is empty and nobody holds it open. A
// hand-over file (not empty) or a held file is left alone. True when deleted.
bool ReleaseMarker(const std::wstring& signalFilePath);

// The output path from the hand-over file: its first line in the ANSI code
// page, up to CR LF (or a lone LF). Throws Failure(NoOutputPath) when the
// file is missing or unreadable, or the line is empty.
std::wstring ReadHandOverPath(const std::wstring& signalFilePath);

} // namespace Converter
