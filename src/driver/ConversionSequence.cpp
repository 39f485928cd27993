#include "ConversionSequence.h"

#include "MessageBoxes.h"
#include "OutputCheck.h"
#include "ProcessRunner.h"
#include "SignalExchange.h"
#include "SystemLocations.h"

namespace Ardenfold_API {

using namespace SignalExchange;

namespace {

std::wstring ProgramFolder(const ConversionSettings& settings)
{
    return settings.programFolder.empty() ? Global::GetProgramFolder() : settings.programFolder;
}

// Steps 2 and 5: a marker that cannot be made is reported and the run goes on.
void ReportMarkerNotPlaced(ExitStatus& status)
{
    status.Note(ExitCode::SignalFileUnusable);
    ShowMissingFilesMessage();
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
    const DocumentState outputBefore = ReadDocumentState(context.OutputPath);

    // 1. First clear-cache run.
    RunProcessAndWait(ClearCacheCommandLine(ProgramFolder(settings)), false);
    // 2. The marker before the print run.
    if (!PlaceMarker(signalFile)) {
        ReportMarkerNotPlaced(status);
    }
    // 3. Print run; 4. wait until the converter side has taken the marker.
    bool taken = RunProcess(context.PrintCommand, false).Started &&
                 WaitUntilMarkerTaken(signalFile, settings.markerWaitLimit) == MarkerWait::Taken;
    if (taken) {
        // 5. The marker again.
        if (!PlaceMarkerAgain(signalFile)) {
            ReportMarkerNotPlaced(status);
        }
        // 6. Hand-over.
        HandOverPath(signalFile, context.OutputPath);
        // 7. Converter run. One killed while it wrote leaves its partial
        // file, which nobody else may ever look for: it goes now.
        ProcessRun converter = RunProcess(ConverterCommandLine(ProgramFolder(settings)), false);
        if (!context.OutputPath.empty() && !IsNewDocument(outputBefore, context.OutputPath)) {
            status.Note(ExitCode::NoDocument);
            if (converter.Started) {
                RemoveConverterPartialFiles(context.OutputPath, converter.ProcessId);
            }
        }
        // 8. Removal after the converter run.
        RemoveIfFree(signalFile);
    } else {
        // No job reached the converter: no hand-over and no converter run,
        // which could turn an older pending job into this output.
        status.Note(ExitCode::PrintNotDelivered);
        WithdrawMarker(signalFile);
    }
    // 9. Second clear-cache run.
    RunProcessAndWait(ClearCacheCommandLine(ProgramFolder(settings)), false);
    // 10. End-of-run removal.
    RemoveIfFree(signalFile);
}

} // namespace Ardenfold_API
