#include "ConverterExitCodes.h"

#include "CaughtError.h"

#include <windows.h>

namespace Converter {

void ThrowFailure(ExitCode code, const std::wstring& what, unsigned long systemCode)
{
    throw Failure(code, what + L": " + Global::SystemMessage(systemCode));
}

Failure CurrentFailure(const std::wstring& documentName)
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure;
    } catch (...) {
        Global::Caught caught = Global::DescribeCurrentException();
        if (caught.kind != Global::CaughtKind::OutOfMemory) {
            return Failure(ExitCode::UnexpectedError, caught.description);
        }
        if (documentName.empty()) {
            return Failure(ExitCode::UnexpectedError, L"The converter ran out of memory.");
        }
        return Failure(ExitCode::DocumentRefused,
                       L"The document \"" + documentName + L"\" does not fit in the converter's memory.");
    }
}

} // namespace Converter
