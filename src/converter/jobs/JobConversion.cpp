#include "JobConversion.h"

#include "ConversionWatchdog.h"
#include "DocumentError.h"
#include "DocumentFonts.h"
#include "FileIdentity.h"
#include "Handle.h"
#include "OutputFile.h"
#include "PostScriptConversion.h"
#include "ProgressFile.h"
#include "Rendering.h"
#include "SignalFile.h"
#include "TextDocument.h"
#include "UserPaper.h"

#include <windows.h>

namespace Converter {

using namespace Global;

namespace {

SYSTEMTIME Now()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return now;
}

} // namespace

ExitCode ClearCache(const Spool& spool, RunReport& report)
{
    int cleared = spool.Clear();
    if (cleared > 0) {
        report.done = L"cleared";
        report.reason = std::to_wstring(cleared) + L" pending job(s) dropped";
    }
    return ExitCode::Success;
}

ExitCode ConvertOldestJob(const Spool& spool, const std::wstring& signalFilePath, RunReport& report)
{
    std::wstring outputPath = ReadHandOverPath(signalFilePath);
    // Outside the document's error handling: a damaged font of the
    // program's own is no fault of the document.
    DocumentFonts fonts;
    TakenJob taken;
    try {
        taken = spool.TakeOldestJob();
    } catch (const Failure& failure) {
        // The print run refused the document and said why: nothing to add.
        if (failure.Code() == ExitCode::NoPendingJob && spool.TakeRefusal()) {
            report.alreadyReported = true;
        }
        throw;
    }
    report.job = taken.Name();
    ScopeExit putBack([&] { spool.PutBack(taken); });
    JobHeader header = ReadJobHeader(taken.path);
    report.document = header.documentName;
    // The print run has gone by the time the output path is handed over, so
    // the conversion is where the two meet: by the file's identity, not its
    // name, so that no other spelling, short name, hard link or drive letter
    // turns the conversion into the loss of its own document.
    if (header.documentFile && IdentityOfPath(outputPath) == header.documentFile) {
        throw Failure(ExitCode::OutputNotWritable,
                      L"The output file '" + outputPath + L"' is the document being converted (\"" +
                          header.documentName + L"\"): its PDF would replace it. Nothing was written; choose "
                          L"another output path.");
    }
    // A conversion that never ends would hold its caller for good.
    ConversionWatchdog watchdog(report);
    const StoredJob stored = StoredJobOf(taken.path, header);
    RenderedDocument rendered;
    if (header.kind.kind == Document::DocumentKind::PostScript) {
        RefuseStandardNotMet(L"A printed job");
        rendered = ConvertPostScriptJob(stored, WorkFolderOf(taken.path));
        WriteOutputFile(outputPath, rendered.pdf);
    } else if (IsTextKind(header.kind.kind)) {
        // Written as it is laid out: the output is opened first.
        OutputFile output(outputPath);
        ProgressFile progress(::GetTickCount64());
        try {
            rendered = RenderTextJob(
                stored, UserPaperSize(), Now(), fonts, [&](std::string_view bytes) { output.Write(bytes); },
                [&](size_t pages) { progress.Tell(pages, ::GetTickCount64()); });
        } catch (const Document::DocumentError& error) {
            throw Failure(ExitCode::DocumentRefused, error.Description());
        } catch (const Failure&) {
            throw;
        } catch (const Error& error) {
            throw Failure(ExitCode::SpoolUnusable, error.Description());
        }
        output.Commit();
    } else {
        Job job = ReadJob(taken.path);
        try {
            rendered = RenderDocument(job, UserPaperSize(), Now(), fonts);
        } catch (const Document::DocumentError& error) {
            throw Failure(ExitCode::DocumentRefused, error.Description());
        }
        WriteOutputFile(outputPath, rendered.pdf);
    }
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

} // namespace Converter
