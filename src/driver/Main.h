#pragma once

namespace Ardenfold_API {

// The program: start-up, command line, conversion. Returns the process's
// exit code (see ExitCodes.h).
int Main();

} // namespace Ardenfold_API
