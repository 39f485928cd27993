#pragma once
// Puts the finished document at its path all at once: whoever looks finds
// either the old file, or none, or the whole new one, never a part, even
// after a power cut or a write-behind error on a network share.
#include "Handle.h"
#include "PartialFile.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace Converter {

// Writes the bytes to "<output name>.PDFCreator-<pid>-<marker>.partial" in
// the output's own folder (".PDFCreator-<pid>-<marker>.partial" where the
// output's path is too long for that name), so that the final move is a
// rename on one volume; the marker is 16 random hexadecimal digits, so that
// nobody can have made the file, or a link, under that name first. The file
// is made new, flushed, renamed over the output through its handle, and
// closed, checking each step. Before that, removes the partial files of
// earlier runs for the same output whose converter is no longer running (a
// run killed mid-write); a name that does not follow that form exactly is
// never touched. Throws Failure(OutputNotWritable) naming the output path
// and the system's reason; then no partial file of this run is left behind.
void WriteOutputFile(const std::wstring& outputPath, const std::string& bytes);

// The same, written a piece at a time: the partial file is made (and the
// dead runs' ones removed) when it is opened, the move happens at Commit,
// and a file never committed leaves no partial file behind.
class OutputFile {
public:
    explicit OutputFile(const std::wstring& outputPath);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    std::wstring outputPath_;
    std::string full_;
    Global::FileHandle file_;
    bool committed_ = false;
};

// The partial files' names, which CommandLine.exe knows too.
using SignalExchange::PartialFileName;
using SignalExchange::PartialFileOwner;

} // namespace Converter
