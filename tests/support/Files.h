#pragma once
// File-system chores of the end-to-end tests. Paths are ANSI text, as the
// program under test hands them to the system.
#include <string>

namespace TestSupport {

// Where the build put the programs under test (Windows paths).
std::string BuiltCommandLineExe();
std::string BuiltStandInExe();

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);

// The whole content of a file; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Creates or truncates the file and writes bytes; throws on failure.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Copies a file, replacing the target; throws on failure.
void CopyFileOver(const std::string& from, const std::string& to);

// Makes the folder and any missing parents; throws on failure.
void MakeFolders(const std::string& path);
// Removes a file or a whole folder tree. Tolerant: entries that cannot be
// removed (held open by a process that is still ending) are retried for a
// few seconds and then left behind. True when nothing is left.
bool RemoveTree(const std::string& path);

// Holds a file open, as another program would, for as long as it lives:
// readers are let in, writers and deleters are not. The file must exist.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    void* handle_;
};

// True when the file can be opened for exclusive access (or is absent)
// within timeoutMs: whoever held it has let go.
bool WaitUntilFree(const std::string& path, unsigned long timeoutMs);

// The common application-data folder (C:\ProgramData in a Wine prefix),
// without a trailing backslash.
std::string CommonAppDataFolder();

} // namespace TestSupport
