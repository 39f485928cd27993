#pragma once
// A printed job (PostScript from the printer's driver) made into a PDF by
// Ghostscript, which the packages carry beside the converter as gs.exe.
#include "Rendering.h"
#include "Spool.h"

#include <windows.h>

#include <string>

namespace Converter {

// <program folder>\Ghostscript\gs.exe, where the packages put it.
std::wstring GhostscriptPath();

// Ghostscript's longest run on one job; past it the run is ended.
inline constexpr DWORD GhostscriptLimitMilliseconds = 10 * 60 * 1000;

// The job's PostScript through Ghostscript's pdfwrite, in temporary files
// beside the job that are gone again when it returns. Throws
// Failure(ConverterMissing) when gs.exe is not there, Failure(DocumentRefused)
// with Ghostscript's last words when it fails on the job or runs past its
// limit, Failure(SpoolUnusable) when the files beside the job cannot be
// written or read.
RenderedDocument ConvertPostScriptJob(const std::wstring& jobPath, const JobHeader& header);

} // namespace Converter
