#include "ConverterMain.h"

#include "AnsiText.h"
#include "ConverterFolder.h"
#include "ConverterLog.h"
#include "DocumentFonts.h"
#include "DocumentError.h"
#include "DocumentKind.h"
#include "Handle.h"
#include "Limits.h"
#include "FileContent.h"
#include "OutputFile.h"
#include "Rendering.h"
#include "SignalFile.h"
#include "Spool.h"
#include "UserPaper.h"

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
std::wstring TakeJob(const Spool& spool, const std::wstring& documentPath)
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
    return spool.AddJob(job);
}

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return now;
}

ExitCode Run(const std::vector<std::wstring>& arguments, const Spool& spool, RunReport& report)
{
    if (arguments.empty()) {
        return ConvertOldestJob(spool, report);
    }
    if (arguments.size() == 2 && IsSwitch(arguments[0], L"/PrintFile")) {
        return PrintFile(spool, arguments[1], report);
    }
    if ((arguments.size() == 1 && IsSwitch(arguments[0], L"/ClearCache")) ||
        (arguments.size() == 2 && IsSwitch(arguments[0], L"/ClearCache") && IsSwitch(arguments[1], L"/NoStart"))) {
        return ClearCache(spool, report);
    }
    throw Failure(ExitCode::BadArguments, L"Usage: PDFCreator.exe [/PrintFile <document> | /ClearCache /NoStart]");
}

} // namespace

ExitCode PrintFile(const Spool& spool, const std::wstring& documentPath, RunReport& report)
{
    report.document = documentPath;
    std::optional<Failure> failure;
    try {
        report.job = FileName(TakeJob(spool, documentPath));
    } catch (const Failure& caught) {
        failure = caught;
    }
    // Whatever became of the document, the run that waits for the marker
    // goes on at once: without a job, its conversion run finds none.
    ExitCode released = ReleaseMarker();
    if (failure) {
        throw *failure;
    }
    report.done = L"taken";
    return released;
}

ExitCode ClearCache(const Spool& spool, RunReport& report)
{
    int cleared = spool.Clear();
    if (cleared > 0) {
        report.done = L"cleared";
        report.reason = std::to_wstring(cleared) + L" pending job(s) dropped";
    }
    return ExitCode::Success;
}

ExitCode ConvertOldestJob(const Spool& spool, RunReport& report)
{
    std::wstring outputPath = ReadHandOverPath();
    // Outside the document's error handling: a damaged font of the
    // program's own is no fault of the document.
    DocumentFonts fonts;
    TakenJob taken = spool.TakeOldestJob();
    report.job = taken.Name();
    ScopeExit putBack([&] { spool.PutBack(taken); });
    Job job = ReadJob(taken.path);
    report.document = job.documentName;
    RenderedDocument rendered;
    try {
        rendered = RenderDocument(job, UserPaperSize(), Now(), fonts);
    } catch (const Document::DocumentError& error) {
        throw Failure(ExitCode::DocumentRefused, error.Description());
    }
    WriteOutputFile(outputPath, rendered.pdf);
    putBack.Dismiss();
    report.done = L"converted";
    report.reason = rendered.summary + L" to \"" + outputPath + L"\"";
    report.replacedCharacters = rendered.replacedCharacters;
    report.replacedByScript = rendered.replacedByScript;
    try {
        spool.Remove(taken);
    } catch (const Failure& failure) {
        // Taken, so never converted again: the document is where it belongs.
        report.reason += L"; " + failure.Description() + L" (it stays taken until the cache is cleared)";
    }
    return ExitCode::Success;
}

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

int Main(const std::vector<std::wstring>& arguments)
{
    RunReport report;
    ExitCode code = ExitCode::UnexpectedError;
    std::wstring converterFolder;
    try {
        converterFolder = FindConverterFolder();
        code = Run(arguments, Spool(converterFolder), report);
    } catch (const Failure& failure) {
        code = failure.Code();
        report.reason = failure.Description();
    } catch (const Error& error) {
        report.reason = error.Description();
    } catch (const std::exception& error) {
        report.reason = FromAnsi(error.what());
    }
    if (code != ExitCode::Success) {
        ReportToStandardError(report.reason);
    }
    std::wstring outcome = Outcome(code, report.done);
    if (!outcome.empty() && !converterFolder.empty()) {
        WriteLog(converterFolder, {report.job, report.document, outcome, report.reason, report.replacedCharacters, report.replacedByScript});
    }
    return static_cast<int>(code);
}

} // namespace Converter
