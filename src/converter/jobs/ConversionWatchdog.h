#pragma once
// The last bound on a conversion run. Each step has its own (the PDF check's
// deadline, Ghostscript's ten minutes), but a fault in any of them, or a
// document that makes one loop, would otherwise keep the run, and the
// user's later runs that wait for its lock, going for ever.
#include "RunReport.h"
#include "Handle.h"

#include <windows.h>

#include <string>
#include <thread>

namespace Converter {

// Two hours: the largest text the converter takes (4 million pages) is
// converted in some 40 minutes on a slow machine.
inline constexpr DWORD ConversionLimitMilliseconds = 2 * 60 * 60 * 1000;

// From its making to its end the conversion has that long. When the time
// passes first, the run's log line says so and the process ends at once
// with ExitCode::DocumentRefused: the job stays taken and goes at the next
// clearing, a partial output file goes at the next conversion to that
// output, and Ghostscript (bounded more tightly) has ended already.
class ConversionWatchdog {
public:
    // The report's job and document are copied for the log line.
    explicit ConversionWatchdog(const RunReport& report, DWORD milliseconds = ConversionLimitMilliseconds);
    ~ConversionWatchdog();
    ConversionWatchdog(const ConversionWatchdog&) = delete;
    ConversionWatchdog& operator=(const ConversionWatchdog&) = delete;

private:
    Global::KernelHandle finished_;
    std::thread watch_;
};

} // namespace Converter
