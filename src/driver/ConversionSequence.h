#pragma once
// The conversion: four hidden process runs around the life of the signal
// file, in a fixed order.
#include "CommandLineExitCodes.h"
#include "RunContext.h"

#include <chrono>
#include <string>

namespace Ardenfold_API {

// How long the converter side has, after the print run has ended, to take
// the print job and remove the marker before the run gives up on it.
inline constexpr std::chrono::milliseconds MarkerWaitLimit = std::chrono::minutes(5);

struct ConversionSettings {
    std::chrono::milliseconds markerWaitLimit = MarkerWaitLimit;
    // The folder that holds PDFCreator.exe; empty: the program's own folder,
    // asked anew for each command line that needs it.
    std::wstring programFolder;
};

// "<folder>\PDFCreator.exe" /ClearCache /NoStart
std::wstring ClearCacheCommandLine(const std::wstring& programFolder);
// <folder>\PDFCreator.exe, unquoted, no arguments.
std::wstring ConverterCommandLine(const std::wstring& programFolder);

// Runs the ten steps with the context's signal file, print command and
// output path, noting failures in status. Errors from a delete or the
// hand-over write are thrown as Global::Error and end the sequence there.
void RunConversion(const RunContext& context, const ConversionSettings& settings, ExitStatus& status);

} // namespace Ardenfold_API
