#include "RunReport.h"

#include "AnsiText.h"
#include "ConverterFolder.h"
#include "ConverterLog.h"

#include <windows.h>

namespace Converter {

namespace {

void ReportToStandardError(const std::wstring& description)
{
    HANDLE standardError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (standardError == nullptr || standardError == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string line = "PDFCreator: " + Global::ToAnsiForDisplay(description) + "\r\n";
    DWORD written = 0;
    ::WriteFile(standardError, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

std::wstring Outcome(ExitCode code, const std::wstring& done)
{
    switch (code) {
    case ExitCode::Success:
        return done;
    case ExitCode::DocumentRefused:
        return L"refused";
    case ExitCode::DocumentUnreadable:
        return L"unreadable";
    default:
        return L"failed";
    }
}

void ReportRun(ExitCode code, const RunReport& report)
{
    if (code != ExitCode::Success) {
        ReportToStandardError(report.reason);
    }
    std::wstring outcome = Outcome(code, report.done);
    if (outcome.empty()) {
        return;
    }
    // The log's folder is asked for only now: a run that cannot have a log
    // still does its work and tells its standard error why it failed.
    std::wstring converterFolder;
    try {
        converterFolder = FindConverterFolder();
    } catch (const Failure& failure) {
        ReportToStandardError(L"No log line is written: " + failure.Description());
        return;
    }
    WriteLog(converterFolder, {report.job, report.document, outcome, report.reason, report.replacedCharacters,
                               report.replacedByScript});
}

} // namespace Converter
