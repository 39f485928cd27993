#pragma once
// File-system chores of the end-to-end tests. Paths are ANSI text, as the
// program under test hands them to the system.
#include "Handle.h"

#include <windows.h>

#include <functional>
#include <string>

namespace TestSupport {

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// These throw std::runtime_error when they fail.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes); // creates or truncates
void CopyFileOver(const std::string& from, const std::string& to);
void MakeFolders(const std::string& path);

// Removes a file or a whole folder tree. Entries held by a process that is
// still ending are retried for a few seconds, then left. True when all went.
bool RemoveTree(const std::string& path);

// Holds an existing file open as another program would, for as long as the
// handle lives: readers are let in, writers and deleters are not.
Global::FileHandle HoldFile(const std::string& path);
// True when someone holds the file so that it cannot be opened exclusively.
bool IsHeld(const std::string& path);

// Polls the condition until it holds; false when timeoutMs passes first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// C:\ProgramData in a Wine prefix, without a trailing backslash.
std::string CommonAppDataFolder();

} // namespace TestSupport
