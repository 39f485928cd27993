#pragma once
// Where things are on this system: the system folder, shell special folders,
// the temporary folder and the long form of a path.
#include <string>

namespace Global {

// The system folder as the system reports it, or "C:\Windows" when it
// reports none. Never throws: its own trap gives the empty string when an
// error is raised inside before the answer is complete.
std::wstring GetSystemFolder();

// The path of a shell special folder (35 is the common application-data
// folder), asked of the shell's automation object; the empty string when the
// shell knows no such folder. No trap of its own: throws Global::Error when
// the shell object cannot be created, one of its members fails, or the
// folder yields no item of its own.
std::wstring GetShellFolderPath(const int& folderNumber);

// The same folder asked of the shell's folder function (SHGetFolderPathA),
// its trailing backslash removed; the empty string when the shell knows
// none. The converter's way: the automation object above sets up COM, and
// under Wine a window of COM's and the display driver with it, while the
// front end asks that object by its own rule, anew at each use.
std::wstring GetKnownFolder(int folderNumber);

// The long form of the path; the empty string when it cannot be had (the
// path does not exist, or is empty). Throws Global::Error when the path
// cannot be represented in the ANSI code page.
std::wstring GetLongPath(const std::wstring& path);

// The user's temporary folder, ending in a backslash; the empty string when
// the system reports none.
std::wstring GetTempFolder();

// The folder that holds the running executable, without a trailing backslash.
std::wstring GetProgramFolder();

} // namespace Global
