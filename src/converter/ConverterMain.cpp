#include "ConverterMain.h"

#include "AnsiText.h"
#include "ConverterLog.h"
#include "DocumentError.h"
#include "DocumentKind.h"
#include "Limits.h"
#include "FileContent.h"
#include "OutputFile.h"
#include "Rendering.h"
#include "SignalFile.h"
#include "Spool.h"

#include <windows.h>

#include <optional>

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

std::wstring FileName(const std::wstring& path)
{
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// Reads the document and stores it as a job, unless it is missing,
// unreadable or refused (of no kind the converter takes, or too large: a
// damaged image is only found out by its conversion). Returns the job's path.
std::wstring TakeJob(const std::wstring& documentPath)
{
    Job job{documentPath, {}};
    try {
        job.document = ReadFileBytes(documentPath);
    } catch (const Error& error) {
        throw Failure(ExitCode::DocumentUnreadable, error.Description());
    }
    if (job.document.size() > Document::Limits::kMaxDocumentBytes) {
        throw Failure(ExitCode::DocumentRefused, L"The document \"" + documentPath + L"\" is larger than " +
                                                     std::to_wstring(Document::Limits::kMaxDocumentBytes >> 20) + L" MB.");
    }
    Document::DocumentSniff sniff = Document::SniffDocumentKind(job.document);
    if (sniff.kind == Document::DocumentKind::Refused) {
        throw Failure(ExitCode::DocumentRefused, L"The document \"" + documentPath + L"\" is refused: " + sniff.reason);
    }
    return AddJob(job);
}

} // namespace

ExitCode PrintFile(const std::wstring& documentPath)
{
    std::optional<Failure> failure;
    std::wstring job;
    try {
        job = TakeJob(documentPath);
    } catch (const Failure& caught) {
        failure = caught;
    }
    // Whatever became of the document, the run that waits for the marker
    // goes on at once: without a job, its conversion run finds none.
    ExitCode released = ReleaseMarker();
    if (failure) {
        const wchar_t* outcome = failure->Code() == ExitCode::DocumentRefused      ? L"refused"
                                 : failure->Code() == ExitCode::DocumentUnreadable ? L"unreadable"
                                                                                   : L"failed";
        WriteLog({L"", documentPath, outcome, failure->Description(), 0});
        throw *failure;
    }
    WriteLog({FileName(job), documentPath, L"taken", L"", 0});
    return released;
}

ExitCode ClearCache()
{
    int cleared = ClearJobs();
    if (cleared > 0) {
        WriteLog({L"", L"", L"cleared", std::to_wstring(cleared) + L" pending job(s) dropped", 0});
    }
    return ExitCode::Success;
}

ExitCode ConvertOldestJob()
{
    std::wstring jobPath;
    std::wstring documentName;
    try {
        std::wstring outputPath = ReadHandOverPath();
        std::vector<std::wstring> jobs = PendingJobs();
        if (jobs.empty()) {
            throw Failure(ExitCode::NoPendingJob, L"No print job is waiting in the spool \"" + SpoolFolder() + L"\".");
        }
        jobPath = jobs.front();
        Job job = ReadJob(jobPath);
        documentName = job.documentName;
        RenderedDocument rendered;
        try {
            rendered = RenderDocument(job);
        } catch (const Document::DocumentError& error) {
            throw Failure(ExitCode::DocumentRefused, error.Description());
        }
        WriteOutputFile(outputPath, rendered.pdf);
        ::DeleteFileA(ToAnsi(jobPath).c_str());
        WriteLog({FileName(jobPath), documentName, L"converted", rendered.summary + L" to \"" + outputPath + L"\"",
                  rendered.replacedCharacters});
        return ExitCode::Success;
    } catch (const Failure& failure) {
        WriteLog({FileName(jobPath), documentName,
                  failure.Code() == ExitCode::DocumentRefused ? L"refused" : L"failed", failure.Description(), 0});
        throw;
    }
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
        WriteLog({L"", L"", L"failed", error.Description(), 0});
        code = ExitCode::UnexpectedError;
    } catch (const std::exception& error) {
        ReportToStandardError(FromAnsi(error.what()));
        WriteLog({L"", L"", L"failed", FromAnsi(error.what()), 0});
        code = ExitCode::UnexpectedError;
    }
    return static_cast<int>(code);
}

} // namespace Converter
