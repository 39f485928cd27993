#include "ConverterMain.h"

#include "AnsiText.h"
#include "FileContent.h"
#include "OutputFile.h"
#include "PageLayout.h"
#include "PdfWriter.h"
#include "SignalFile.h"
#include "Spool.h"
#include "TextDocument.h"

#include <windows.h>

namespace Converter {

using namespace Global;

namespace {

bool IsSwitch(const std::wstring& argument, const wchar_t* name)
{
    return ::lstrcmpiW(argument.c_str(), name) == 0;
}

void ReportToStandardError(const std::wstring& description)
{
    HANDLE standardError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (standardError == nullptr || standardError == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string line = "PDFCreator: " + ToAnsiForDisplay(description) + "\r\n";
    DWORD written = 0;
    ::WriteFile(standardError, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

ExitCode PrintFile(const std::wstring& documentPath)
{
    std::string document;
    try {
        document = ReadFileBytes(documentPath);
    } catch (const Error& error) {
        throw Failure(ExitCode::DocumentUnreadable, error.Description());
    }
    AddJob(document);
    // The job has arrived: CommandLine.exe waits for the marker to go.
    return ReleaseMarker();
}

ExitCode ClearCache()
{
    ClearJobs();
    return ExitCode::Success;
}

ExitCode ConvertOldestJob()
{
    std::wstring outputPath = ReadHandOverPath();
    std::vector<std::wstring> jobs = PendingJobs();
    if (jobs.empty()) {
        throw Failure(ExitCode::NoPendingJob, L"No print job is waiting in the spool \"" + SpoolFolder() + L"\".");
    }
    std::string document;
    try {
        document = ReadFileBytes(jobs.front());
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    WriteOutputFile(outputPath, WritePdf(LayOutPages(DecodeDocument(document))));
    ::DeleteFileA(ToAnsi(jobs.front()).c_str());
    return ExitCode::Success;
}

int Main(const std::vector<std::wstring>& arguments)
{
    ExitCode code = ExitCode::BadArguments;
    try {
        if (arguments.empty()) {
            code = ConvertOldestJob();
        } else if (arguments.size() == 2 && IsSwitch(arguments[0], L"/PrintFile")) {
            code = PrintFile(arguments[1]);
        } else if ((arguments.size() == 1 && IsSwitch(arguments[0], L"/ClearCache")) ||
                   (arguments.size() == 2 && IsSwitch(arguments[0], L"/ClearCache") &&
                    IsSwitch(arguments[1], L"/NoStart"))) {
            code = ClearCache();
        } else {
            ReportToStandardError(L"Usage: PDFCreator.exe [/PrintFile <document> | /ClearCache /NoStart]");
        }
    } catch (const Failure& failure) {
        ReportToStandardError(failure.Description());
        code = failure.Code();
    } catch (const Error& error) {
        ReportToStandardError(error.Description());
        code = ExitCode::UnexpectedError;
    } catch (const std::exception& error) {
        ReportToStandardError(FromAnsi(error.what()));
        code = ExitCode::UnexpectedError;
    }
    return static_cast<int>(code);
}

} // namespace Converter
