#include "SignalFile.h"

#include "AnsiText.h"
#include "ExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"

#include <windows.h>

namespace Converter {

using namespace Global;

bool ReleaseMarker(const std::wstring& signalFilePath)
{
    if (!FileExists(signalFilePath)) {
        return false;
    }
    std::string ansi = ToAnsi(signalFilePath);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(ansi.c_str(), GetFileExInfoStandard, &data) || data.nFileSizeLow != 0 ||
        data.nFileSizeHigh != 0) {
        return false;
    }
    return DeleteFileIfFree(signalFilePath);
}

std::wstring ReadHandOverPath(const std::wstring& signalFilePath)
{
    std::string bytes;
    try {
        bytes = ReadFileBytes(signalFilePath);
    } catch (const Error& error) {
        throw Failure(ExitCode::NoOutputPath, L"No hand-over file: " + error.Description());
    }
    std::string line = bytes.substr(0, bytes.find_first_of("\r\n"));
    if (line.empty()) {
        throw Failure(ExitCode::NoOutputPath, L"The hand-over file \"" + signalFilePath + L"\" names no output file.");
    }
    return FromAnsi(line);
}

} // namespace Converter
