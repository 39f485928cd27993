#include "Main.h"

#include "AnsiText.h"
#include "CaughtError.h"
#include "ComApartment.h"
#include "CommandLineCut.h"
#include "ConversionSequence.h"
#include "Error.h"
#include "CommandLineExitCodes.h"
#include "HelpPrompt.h"
#include "LauncherQuoting.h"
#include "MessageBoxes.h"
#include "RunContext.h"
#include "RunLock.h"
#include "SignalExchange.h"
#include "SignalFileLocation.h"

#include <windows.h>
#include <commctrl.h>

namespace Ardenfold_API {

using namespace Global;
using namespace SignalExchange;

// The state of this run, for the life of the process.
RunContext Context;

namespace {

// A part that cannot reach the system as ANSI text would start another
// program or name another file: it is refused before anything runs.
void RequireAnsi(const std::wstring& part, const wchar_t* what)
{
    if (!IsAnsiRepresentable(part)) {
        throw CommandLineError(std::wstring(L"The ") + what + L" contains characters that this system's code page (" +
                               std::to_wstring(::GetACP()) + L") cannot represent: " + part);
    }
}

// Shows a box without holding up other runs while it waits for a user.
int ShowMessageUnlocked(RunLock& lock, const std::wstring& text, UINT buttons)
{
    lock.Release();
    return ShowMessage(text, buttons);
}

void RunStages(RunContext& context, RunLock& lock, ExitStatus& status)
{
    // Start-up.
    ::InitCommonControls();
    context.CommandLineText = TrimBlanks(ProcessArgumentText());
    context.AppFolderName = BuildAppFolderName();
    context.DataFolder = ResolveDataFolder(context.AppFolderName);
    context.SignalFilePath = ResolveSignalFilePath(context.DataFolder);

    lock.Acquire(context.SignalFilePath);
    if (ClearStaleFile(context.SignalFilePath) == StaleFile::Held) {
        status.Note(ExitCode::SignalFileUnusable);
        ShowMessageUnlocked(lock, MissingFilesMessage(), MB_OK);
        return;
    }

    // Command line.
    if (TrimBlanks(context.CommandLineText).empty()) {
        lock.Release();
        status.Note(ExitCode::HelpShown);
        ShowHelpPrompt();
        return;
    }
    CommandLineParts parts = CutCommandLine(GroupsAsWritten(context.CommandLineText));
    context.PrintCommand = parts.PrintCommand;
    context.OutputPath = parts.OutputPath;
    if (context.PrintCommand.empty()) {
        // Nothing would be printed, so nothing would ever take the marker away.
        status.Note(ExitCode::InvalidCommandLine);
        ShowMessageUnlocked(lock, L"Invalid Print Command in Command Line.", MB_OK);
        return;
    }
    RequireAnsi(context.PrintCommand, L"print command");
    RequireAnsi(context.OutputPath, L"output file path");
    if (context.OutputPath.empty()) {
        status.Note(ExitCode::InvalidCommandLine);
        ShowMessageUnlocked(lock, L"invalid Output File Path in Command Line.", MB_OK);
        lock.Acquire(context.SignalFilePath);
    }

    // Conversion.
    RunConversion(context, ConversionSettings{}, status);
}

} // namespace

int Main()
{
    ExitStatus status;
    RunLock lock;
    try {
        // One apartment for the whole run: the shell is asked for the data
        // folder several times, and each lookup would otherwise set the
        // automation layer up and tear it down again.
        ComApartment apartment;
        RunStages(Context, lock, status);
    } catch (const CommandLineError& error) {
        status.Note(ExitCode::InvalidCommandLine);
        ShowMessageUnlocked(lock, error.Description(), MB_OK);
    } catch (const RunLockError& error) {
        status.Note(ExitCode::SignalFileUnusable);
        ShowMessageUnlocked(lock, error.Description(), MB_OK);
    } catch (...) {
        // Every other error, whatever its kind, is one the run did not expect.
        status.Note(ExitCode::UnexpectedError);
        ShowMessageUnlocked(lock, DescribeCurrentException().description, MB_OK);
    }
    return static_cast<int>(status.Code());
}

} // namespace Ardenfold_API
