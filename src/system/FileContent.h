#pragma once
// Whole-file reads and writes through the ANSI entry points.
#include <optional>
#include <string>

namespace Global {

// Every byte of the file. Throws Global::Error naming the file and the
// system's reason when it cannot be opened or read.
std::string ReadFileBytes(const std::wstring& path);

// Every byte of the file when it holds at most limit bytes; nothing when it
// holds more, which its size tells before anything is read (and the read
// stops should it grow meanwhile). size receives the size found. Throws
// Global::Error as ReadFileBytes does, and for a file that has no size.
std::optional<std::string> ReadFileBytesUpTo(const std::wstring& path, unsigned long long limit,
                                             unsigned long long& size);

// Writes the bytes into an existing or new file, replacing its content.
// Throws Global::Error naming the file and the system's reason.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

} // namespace Global
