#include "ExitCodes.h"

#include <windows.h>

namespace Converter {

void ThrowFailure(ExitCode code, const std::wstring& what, unsigned long systemCode)
{
    throw Failure(code, what + L": " + Global::SystemMessage(systemCode));
}

} // namespace Converter
