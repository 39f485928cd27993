// SignalExchangeTool.exe: CommandLine.exe's side of the signal-file exchange,
// step by step, for the project's scripts that drive PDFCreator.exe's runs
// themselves (the PDF checks, the benches). They time and bound each run of
// the converter, so the runs stay theirs; every step with the signal file is
// taken here by the code CommandLine.exe itself runs, and where the files lie
// is asked of the same rule.
//
//   SignalExchangeTool.exe paths             the places, one "name=path" a line
//   SignalExchangeTool.exe marker            the empty marker a print run answers
//   SignalExchangeTool.exe hand-over OUTPUT  the output path for the conversion run
//   SignalExchangeTool.exe remove            the signal file gone, when free
//
// Ends with 0, 1 when the step failed (its reason on standard error), 64 for
// a usage error.
#include "ConsoleText.h"
#include "Error.h"
#include "PrintedJob.h"
#include "SignalExchange.h"
#include "SignalFileLocation.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr int Failed = 1;
constexpr int UsageError = 64;

void Say(const std::wstring& text) { Tools::WriteText(STD_OUTPUT_HANDLE, text); }
void Complain(const std::wstring& text) { Tools::WriteText(STD_ERROR_HANDLE, L"SignalExchangeTool: " + text + L"\n"); }

// As CommandLine.exe finds it at start-up, its working folder made where
// missing.
std::wstring SignalFile()
{
    return SignalExchange::ResolveSignalFilePath(SignalExchange::ResolveDataFolder(SignalExchange::BuildAppFolderName()));
}

int Run(const std::vector<std::wstring>& arguments)
{
    const std::wstring step = arguments.empty() ? L"" : arguments[0];
    if (step == L"paths" && arguments.size() == 1) {
        const std::wstring signal = SignalFile();
        Say(L"signal=" + signal + L"\n");
        Say(L"spool=" + SignalExchange::SpoolFolderFor(signal) + L"\n");
        // Where the printer's port leaves the printed jobs.
        Say(L"printed=" + SignalExchange::PrintedJobsFolderFor(signal) + L"\n");
        return 0;
    }
    if (step == L"marker" && arguments.size() == 1) {
        const std::wstring signal = SignalFile();
        if (!SignalExchange::PlaceMarker(signal)) {
            Complain(L"no marker could be made at " + signal);
            return Failed;
        }
        return 0;
    }
    if (step == L"hand-over" && arguments.size() == 2 && !arguments[1].empty()) {
        SignalExchange::HandOverPath(SignalFile(), arguments[1]);
        return 0;
    }
    if (step == L"remove" && arguments.size() == 1) {
        SignalExchange::RemoveIfFree(SignalFile());
        return 0;
    }
    Complain(L"usage: SignalExchangeTool.exe paths | marker | hand-over OUTPUT | remove");
    return UsageError;
}

} // namespace

int wmain()
{
    try {
        return Run(Tools::Arguments());
    } catch (const Global::Error& error) {
        Complain(error.Description());
    } catch (const std::exception& error) {
        Complain(Tools::FromAnsi(error.what()));
    }
    return Failed;
}
