#pragma once
// Small, stateless probes over the file system and over path text. None of
// them shows a message or lets an error out: they answer through their
// results (and IsFileLocked also through its error text).
#include <string>

namespace Global {

// An entry of that name exists, a file or a folder. The path goes to the
// search unchanged, so * and ? in its last part act as wildcards.
bool FileExists(const std::wstring& path);

// The entry exists and is a folder. Leading blanks and one trailing
// backslash are removed first.
bool FolderExists(const std::wstring& path);

// True only when another process holds the file open, so that an exclusive
// open fails with a sharing violation. On any other failure it is false and
// errorText receives the system's message for the reason, less its last
// character ("Unknown error!" when the system has none).
bool IsFileLocked(const std::wstring& path, std::wstring& errorText);

// Deletes the file when it exists and nobody holds it open. True exactly when
// the file existed, was free, and is gone afterwards.
bool DeleteFileIfFree(const std::wstring& path);

// The path without leading blanks and without one trailing backslash.
std::wstring StripTrailingBackslash(std::wstring path);

// Trims blanks from both ends of the caller's path (in place) and returns it
// ending in a backslash; the empty string for an empty path.
std::wstring EnsureTrailingBackslash(std::wstring& path);

} // namespace Global
