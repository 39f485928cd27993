#include "OutputFile.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileContent.h"
#include "Handle.h"

#include <windows.h>

#include <vector>

namespace Converter {

using namespace Global;

namespace {

// The full form of a path, resolved against the current folder (which the
// converter inherits from whoever started it).
std::string FullPath(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    std::vector<char> buffer(MAX_PATH, '\0');
    char* filePart = nullptr;
    DWORD n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (n >= buffer.size()) {
        buffer.assign(n, '\0');
        n = ::GetFullPathNameA(ansi.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    }
    if (n == 0 || n >= buffer.size()) {
        ThrowFailure(ExitCode::OutputNotWritable, L"The output path \"" + path + L"\" is not valid", ::GetLastError());
    }
    return std::string(buffer.data(), n);
}

} // namespace

void WriteOutputFile(const std::wstring& outputPath, const std::string& bytes)
{
    std::string full = FullPath(outputPath);
    size_t slash = full.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == full.size()) {
        throw Failure(ExitCode::OutputNotWritable, L"The output path \"" + outputPath + L"\" names no file.");
    }
    std::string folder = full.substr(0, slash + 1);

    char temporary[MAX_PATH] = {};
    if (::GetTempFileNameA(folder.c_str(), "pdf", 0, temporary) == 0) {
        ThrowFailure(ExitCode::OutputNotWritable, L"No file can be made in the folder \"" + FromAnsi(folder) + L"\"",
                     ::GetLastError());
    }
    ScopeExit removeTemporary([&] { ::DeleteFileA(temporary); });
    try {
        WriteFileBytes(FromAnsi(temporary), bytes);
    } catch (const Error& error) {
        throw Failure(ExitCode::OutputNotWritable, error.Description());
    }
    if (!::MoveFileExA(temporary, full.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ThrowFailure(ExitCode::OutputNotWritable, L"The output file \"" + outputPath + L"\" could not be written",
                     ::GetLastError());
    }
    removeTemporary.Dismiss();
}

} // namespace Converter
