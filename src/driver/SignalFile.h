#pragma once
// The signal file "CommandLine.txt": the only protocol shared with the
// converter side. First an empty marker, then a one-line hand-over file.
#include <windows.h>

#include <chrono>
#include <string>

namespace Ardenfold_API {

// Creates the empty marker. CREATE_NEW: a file that appeared meanwhile is
// never overwritten. False when it cannot be created.
bool CreateMarker(const std::wstring& signalFilePath);

// Writes the output path in the ANSI code page followed by CR LF, replacing
// any content. Throws Global::Error naming the file when it cannot.
void WriteHandOver(const std::wstring& signalFilePath, const std::wstring& outputPath);

// Deletes the signal file when it exists and no other process holds it open.
// Throws Global::Error naming the file when the delete itself fails.
void RemoveSignalFileIfFree(const std::wstring& signalFilePath);

enum class MarkerWait { Removed, GaveUp };

// Waits until the marker has been deleted by the converter side, or the time
// limit is up. A folder of that name is no marker anyone will remove: the
// wait gives up at once.
MarkerWait WaitForMarkerRemoval(const std::wstring& signalFilePath, std::chrono::milliseconds limit);

} // namespace Ardenfold_API
