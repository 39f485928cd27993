#include "ConversionWatchdog.h"

#include "ConverterExitCodes.h"

namespace Converter {

namespace {

// Runs on the watchdog's thread while the conversion goes on: it writes its
// own log line and ends the process without unwinding the converting thread
// (which holds what it holds) or running the exit's clean-up under it.
void EndOverdueConversion(RunReport report, DWORD milliseconds)
{
    std::wstring limit = milliseconds >= 60000 ? std::to_wstring(milliseconds / 60000) + L" minutes"
                                               : std::to_wstring(milliseconds / 1000) + L" seconds";
    report.reason = L"The conversion took longer than " + limit + L" and was stopped.";
    ReportRun(ExitCode::DocumentRefused, report);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(ExitCode::DocumentRefused));
}

} // namespace

ConversionWatchdog::ConversionWatchdog(const RunReport& report, DWORD milliseconds)
    : finished_(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (!finished_) {
        ThrowFailure(ExitCode::UnexpectedError, L"The conversion's time limit cannot be set", ::GetLastError());
    }
    RunReport logged;
    logged.job = report.job;
    logged.document = report.document;
    watch_ = std::thread([this, logged, milliseconds] {
        if (::WaitForSingleObject(finished_.Get(), milliseconds) == WAIT_TIMEOUT) {
            EndOverdueConversion(logged, milliseconds);
        }
    });
}

ConversionWatchdog::~ConversionWatchdog()
{
    ::SetEvent(finished_.Get());
    watch_.join();
}

} // namespace Converter
