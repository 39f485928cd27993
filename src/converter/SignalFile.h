#pragma once
// The converter's two steps of the signal-file exchange (SignalExchange),
// with the converter's exit codes.
#include "ExitCodes.h"

#include <string>

namespace Converter {

// After a print job has arrived: releases the marker so that CommandLine.exe
// goes on. Success also when there is no marker to release (no file, a
// hand-over file, or one another process holds); UnexpectedError when the
// signal file cannot be found or a free marker cannot be deleted. Never
// throws: the job is already in the spool.
ExitCode ReleaseMarker() noexcept;

// The output path from the hand-over file. Throws Failure(NoOutputPath) when
// the file cannot be found or read, or names no output file.
std::wstring ReadHandOverPath();

} // namespace Converter
