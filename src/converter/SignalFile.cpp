#include "SignalFile.h"

#include "SignalExchange.h"

namespace Converter {

ExitCode ReleaseMarker() noexcept
{
    return SignalExchange::ReleaseMarker() == SignalExchange::MarkerRelease::Failed ? ExitCode::UnexpectedError
                                                                                     : ExitCode::Success;
}

std::wstring ReadHandOverPath()
{
    try {
        return SignalExchange::ReadHandOverPath();
    } catch (const Global::Error& error) {
        throw Failure(ExitCode::NoOutputPath, error.Description());
    }
}

} // namespace Converter
