#pragma once
// Puts the finished document at its path all at once: whoever looks finds
// either the old file, or none, or the whole new one, never a part.
#include <string>

namespace Converter {

// Writes the bytes to a temporary file in the output's own folder (so that
// the final move is a rename on one volume) and moves it over the output.
// Throws Failure(OutputNotWritable) naming the path and the system's reason;
// then no temporary file is left behind.
void WriteOutputFile(const std::wstring& outputPath, const std::string& bytes);

} // namespace Converter
