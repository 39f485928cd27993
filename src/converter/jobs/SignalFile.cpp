#include "SignalFile.h"

#include "FolderSecurity.h"
#include "SignalFileLocation.h"

namespace Converter {

std::wstring FindSignalFile()
{
    std::wstring signalFilePath;
    try {
        signalFilePath = SignalExchange::FindSignalFilePath();
    } catch (const Global::Error& error) {
        throw Failure(ExitCode::UnexpectedError, L"The signal file cannot be found: " + error.Description());
    }
    // The hand-over and the spool beside it are trusted only in a working
    // folder that no other user could have made, changed or linked elsewhere.
    std::wstring workFolder = SignalExchange::WorkFolderPath();
    if (signalFilePath.compare(0, workFolder.size() + 1, workFolder + L"\\") == 0) {
        try {
            Global::CheckPrivateFolder(workFolder);
        } catch (const Global::Error& error) {
            throw Failure(ExitCode::SpoolUnusable, error.Description());
        }
    }
    return signalFilePath;
}

void ReleaseAnsweredMarker(const std::wstring& signalFilePath, const SignalExchange::MarkerIdentity& answered,
                           const std::function<void()>& handOver)
{
    switch (SignalExchange::ReleaseMarker(signalFilePath, answered, handOver)) {
    case SignalExchange::MarkerRelease::Released:
        return;
    case SignalExchange::MarkerRelease::NotAnswered:
        throw Failure(ExitCode::NoRunWaiting,
                      L"The conversion that waited for this print job has given up: its marker \"" + signalFilePath +
                          L"\" is gone or another run's has taken its place. The job was dropped.");
    case SignalExchange::MarkerRelease::Held:
        throw Failure(ExitCode::UnexpectedError, L"The marker \"" + signalFilePath +
                                                     L"\" is held open by another program and cannot be deleted. "
                                                     L"The job was dropped.");
    case SignalExchange::MarkerRelease::Failed:
        break;
    }
    throw Failure(ExitCode::UnexpectedError,
                  L"The marker \"" + signalFilePath + L"\" could not be deleted. The job was dropped.");
}

std::wstring ReadHandOverPath(const std::wstring& signalFilePath)
{
    try {
        return SignalExchange::ReadHandOverPath(signalFilePath);
    } catch (const Global::Error& error) {
        throw Failure(ExitCode::NoOutputPath, error.Description());
    }
}

} // namespace Converter
