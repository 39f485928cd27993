#include "ConversionSequence.h"

#include "FileProbes.h"
#include "MessageBoxes.h"
#include "OutputCheck.h"
#include "ProcessRunner.h"
#include "SignalFile.h"
#include "SystemLocations.h"

namespace Ardenfold_API {

using namespace Global;

namespace {

std::wstring ProgramFolder(const ConversionSettings& settings)
{
    return settings.programFolder.empty() ? GetProgramFolder() : settings.programFolder;
}

// Steps 2 and 5 share this: a marker that cannot be made is reported and
// the run goes on.
void CreateMarkerOrReport(const std::wstring& signalFilePath, ExitStatus& status)
{
    if (!CreateMarker(signalFilePath)) {
        status.Note(ExitCode::SignalFileUnusable);
        ShowMissingFilesMessage();
    }
}

} // namespace

std::wstring ClearCacheCommandLine(const std::wstring& programFolder)
{
    return L"\"" + programFolder + L"\\PDFCreator.exe\" /ClearCache /NoStart";
}

std::wstring ConverterCommandLine(const std::wstring& programFolder)
{
    return programFolder + L"\\PDFCreator.exe";
}

void RunConversion(const RunContext& context, const ConversionSettings& settings, ExitStatus& status)
{
    const std::wstring& signalFile = context.SignalFilePath;
    const FILETIME runStart = CurrentFileTime();
    std::wstring ignored;

    // 1. First clear-cache run.
    RunProcessAndWait(ClearCacheCommandLine(ProgramFolder(settings)), false);

    // 2. The marker before the print run; a file another process holds is left alone.
    if (!FileExists(signalFile)) {
        CreateMarkerOrReport(signalFile, status);
    } else if (!IsFileLocked(signalFile, ignored)) {
        DeleteFileIfFree(signalFile);
        CreateMarkerOrReport(signalFile, status);
    }

    // 3. and 4. The print run, then the converter side's removal of the marker.
    ProcessRun print = RunProcess(context.PrintCommand, false);
    bool delivered = print.Started && WaitForMarkerRemoval(signalFile, settings.markerWaitLimit) == MarkerWait::Removed;

    if (delivered) {
        // 5. The marker again, unless another process has made the file since.
        if (!FileExists(signalFile)) {
            CreateMarkerOrReport(signalFile, status);
        }
        // 6. Hand-over.
        if (!IsFileLocked(signalFile, ignored)) {
            WriteHandOver(signalFile, context.OutputPath);
        }
        // 7. Converter run.
        RunProcessAndWait(ConverterCommandLine(ProgramFolder(settings)), false);
        if (!context.OutputPath.empty() && !IsDocumentWrittenSince(context.OutputPath, runStart)) {
            status.Note(ExitCode::NoDocument);
        }
        // 8. Removal after the converter run.
        RemoveSignalFileIfFree(signalFile);
    } else {
        // Nothing will take the marker away, and no job reached the
        // converter: skip the hand-over and the converter run, so that it
        // cannot turn an older pending job into this output.
        status.Note(ExitCode::PrintNotDelivered);
        DeleteFileIfFree(signalFile);
    }

    // 9. Second clear-cache run.
    RunProcessAndWait(ClearCacheCommandLine(ProgramFolder(settings)), false);

    // 10. End-of-run removal.
    RemoveSignalFileIfFree(signalFile);
}

} // namespace Ardenfold_API
