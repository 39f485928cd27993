#pragma once
// A printed job (PostScript from the printer's driver) made into a PDF by
// Ghostscript, which the packages carry beside the converter as gs.exe.
#include "Rendering.h"

#include <windows.h>

#include <string>

namespace Converter {

// Deletes a work folder and the files in it. A program's handles on them may
// outlive its process by a moment (under Wine they do): until then a file
// cannot be deleted, or stays listed while its deletion is pending, so each
// is tried for two seconds, far more than the moment. False when something
// is left.
bool RemoveWorkFolder(const std::wstring& folder) noexcept;

// <program folder>\Ghostscript\gs.exe, where the packages put it.
std::wstring GhostscriptPath();

// Ghostscript's longest run on one job; past it the run is ended.
inline constexpr DWORD GhostscriptLimitMilliseconds = 10 * 60 * 1000;

// The job's PostScript through Ghostscript's pdfwrite, in files of the work
// folder given (made here, and gone again when it returns: what a killed
// run left there goes first). Throws
// Failure(ConverterMissing) when gs.exe is not there, Failure(DocumentRefused)
// with Ghostscript's last words when it fails on the job or runs past its
// limit, Failure(SpoolUnusable) when the files beside the job cannot be
// written or read.
RenderedDocument ConvertPostScriptJob(const StoredJob& job, const std::wstring& workFolder);

} // namespace Converter
