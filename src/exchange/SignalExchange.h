#pragma once
// The signal file "CommandLine.txt": the only protocol between
// CommandLine.exe and the converter side. CommandLine.exe places an empty
// marker, runs the print command and waits until the converter side has
// taken the marker away with the job; then it hands over the output path as
// one line, runs the converter and removes the file. Every step of that
// exchange, on either side, is here; the file's place is SignalFileLocation's.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace SignalExchange {

// --- CommandLine.exe's side, in the order of a run ---

enum class StaleFile { Cleared, Held };

// Start-up: a file left by an earlier run is deleted when nobody holds it
// open, silently, whether or not the delete works (Cleared). Held: another
// process has it open, and it is left untouched.
StaleFile ClearStaleFile(const std::wstring& signalFilePath);

// Before the print run: the empty marker, replacing a free file left there.
// A file another process holds is left alone. False only when a marker was
// due and could not be made.
bool PlaceMarker(const std::wstring& signalFilePath);

// After the print job was taken: the marker again, unless another process
// has made the file since, which is left alone. False only when a marker was
// due and could not be made.
bool PlaceMarkerAgain(const std::wstring& signalFilePath);

enum class MarkerWait { Taken, GaveUp };

// Waits, processing window messages, until the converter side has taken the
// marker away, or the limit is up. A folder of that name is no marker anyone
// will take: the wait gives up at once.
MarkerWait WaitUntilMarkerTaken(const std::wstring& signalFilePath, std::chrono::milliseconds limit);

// Writes the output path in the ANSI code page and CR LF as the file's whole
// content, unless another process holds the file. Throws Global::Error
// naming the file when it cannot be opened or written.
void HandOverPath(const std::wstring& signalFilePath, const std::wstring& outputPath);

// After the converter run and at the end: deletes the file when it is there
// and free. Throws Global::Error naming the file when the delete fails.
void RemoveIfFree(const std::wstring& signalFilePath);

// A marker that nobody will take (the print job never arrived): deleted
// when free, silently.
void WithdrawMarker(const std::wstring& signalFilePath);

// The lock under which the runs that share a signal file take turns:
// "Global\Ardenfold.CommandLine.<hash of the path>", which CommandLine.exe
// holds for the whole of a run.
std::wstring RunLockName(const std::wstring& signalFilePath);

// --- The converter's side ---

// Whether a run of this signal file holds its lock now. A lock that this
// process cannot open counts as none. Never throws.
bool RunInProgress(const std::wstring& signalFilePath) noexcept;

// The marker that a print job answers, as it was when the print run began:
// the file itself (its volume and file index) and its times. A marker that
// a later run makes in the same place is another marker, even where the
// file system hands out the same file index again.
struct MarkerIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    FILETIME created{};
    FILETIME written{};
};
bool operator==(const MarkerIdentity& a, const MarkerIdentity& b) noexcept;

// At the start of a print run: the marker at the signal file's place.
// Nothing when there is none (no file, a folder, a hand-over file, or a file
// that cannot be asked). Never throws.
std::optional<MarkerIdentity> IdentifyMarker(const std::wstring& signalFilePath) noexcept;

enum class MarkerRelease {
    Released,    // it was the marker answered; it is gone, CommandLine.exe goes on
    NotAnswered, // no marker there, or another one: the run that made it has given up
    Held,        // another process holds it and does not let it be deleted
    Failed,      // it could not be opened or deleted for another reason
};

// Once the print job is ready: opens the marker and checks on that handle
// that it is still the one answered (and still empty); only then marks it
// for deletion through that handle, so that no other file can take its
// place between the check and the delete, runs handOver, which makes the
// job takeable, and closes the handle, which deletes the marker. Once
// marked, the marker goes whether or not handOver throws; handOver's
// exception then goes on. Throws nothing else.
MarkerRelease ReleaseMarker(const std::wstring& signalFilePath, const MarkerIdentity& answered,
                            const std::function<void()>& handOver);

// The output path from the hand-over file at FindSignalFilePath's place:
// its first line in the ANSI code page, up to CR LF (or a lone LF or CR).
// Throws Global::Error when the file cannot be found or read ("No hand-over
// file: ...") or the line is empty.
std::wstring ReadHandOverPath();
std::wstring ReadHandOverPath(const std::wstring& signalFilePath);

} // namespace SignalExchange
