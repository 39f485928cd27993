#pragma once
// Whole-file reads and writes through the ANSI entry points.
#include <string>

namespace Global {

// Every byte of the file. Throws Global::Error naming the file and the
// system's reason when it cannot be opened or read.
std::string ReadFileBytes(const std::wstring& path);

// Writes the bytes into an existing or new file, replacing its content.
// Throws Global::Error naming the file and the system's reason.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

} // namespace Global
