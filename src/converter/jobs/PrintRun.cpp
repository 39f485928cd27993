#include "PrintRun.h"

#include "DocumentKind.h"
#include "FileReader.h"
#include "Handle.h"
#include "Limits.h"
#include "Rendering.h"
#include "SignalFile.h"
#include "TextDocument.h"

namespace Converter {

using namespace Global;

namespace {

std::wstring TooLarge(const std::wstring& documentPath, unsigned long long size)
{
    return L"The document \"" + documentPath + L"\" (" + std::to_wstring(size >> 20) + L" MB) is larger than " +
           std::to_wstring(Document::Limits::kMaxDocumentBytes >> 20) + L" MB.";
}

// Copies the document into a job, unless it is missing, unreadable or
// refused: of no kind the converter takes (its head tells, before anything
// is spooled, or for a text any later byte that text never holds), or an
// image or PDF larger than the limit (its size tells before it is read). A
// text of any size is copied a piece at a time, its encoding found on the
// way.
UnreleasedJob SpoolDocument(const Spool& spool, const std::wstring& documentPath)
{
    auto unreadable = [](const Error& error) { return Failure(ExitCode::DocumentUnreadable, error.Description()); };
    std::optional<FileReader> file;
    std::string head;
    try {
        file.emplace(documentPath);
        head = file->ReadExactly(Document::DocumentSniffer::kHeadBytes);
    } catch (const Error& error) {
        throw unreadable(error);
    }
    Document::DocumentSniffer sniffer;
    sniffer.Add(head);
    if (!sniffer.HeadDecided()) {
        sniffer.Finish(); // the whole document was its head
    }
    auto refuseIfRefused = [&] {
        if (sniffer.Verdict().kind == Document::DocumentKind::Refused) {
            throw Failure(ExitCode::DocumentRefused,
                          L"The document \"" + documentPath + L"\" is refused: " + sniffer.Verdict().reason);
        }
    };
    refuseIfRefused();
    const bool text = IsTextKind(sniffer.Verdict().kind);
    if (!text && file->Size() > Document::Limits::kMaxDocumentBytes) {
        throw Failure(ExitCode::DocumentRefused, TooLarge(documentPath, file->Size()));
    }
    unsigned long long copied = 0;
    bool headGiven = false;
    JobSource source{
        documentPath,
        [&]() -> std::string_view {
            std::string_view piece;
            if (!headGiven) {
                headGiven = true;
                piece = head;
            } else {
                try {
                    piece = file->Read(1u << 20);
                } catch (const Error& error) {
                    throw unreadable(error);
                }
                sniffer.Add(piece);
            }
            copied += piece.size();
            if (!text && copied > Document::Limits::kMaxDocumentBytes) {
                throw Failure(ExitCode::DocumentRefused, TooLarge(documentPath, copied)); // it grew meanwhile
            }
            return piece;
        },
        [&] {
            sniffer.Finish();
            refuseIfRefused();
            return text ? TextKind(sniffer.Verdict().kind, sniffer.Detected()) : JobKind{sniffer.Verdict().kind};
        }};
    return spool.WriteJob(source, file->Identity());
}

} // namespace

PrintRun BeginPrintRun(const std::wstring& signalFilePath)
{
    return PrintRun{signalFilePath, SignalExchange::IdentifyMarker(signalFilePath)};
}

ExitCode FinishPrintRun(const PrintRun& run, const Spool& spool, const std::wstring& documentPath,
                        RunReport& report)
{
    report.document = documentPath;
    std::optional<UnreleasedJob> job;
    std::optional<Failure> failure;
    try {
        // A standard that is not written is refused before the document is
        // read, the marker answered so that the caller waits no longer.
        RequestedStandard();
        job = SpoolDocument(spool, documentPath);
    } catch (...) {
        failure = CurrentFailure(documentPath);
    }
    return HandJobToRun(run, spool, std::move(job), std::move(failure), report);
}

ExitCode HandJobToRun(const PrintRun& run, const Spool& spool, std::optional<UnreleasedJob> job,
                      std::optional<Failure> failure, RunReport& report)
{
    ScopeExit drop([&] {
        if (job) {
            spool.Drop(*job);
        }
    });
    if (!run.marker) {
        if (failure) {
            throw *failure;
        }
        throw Failure(ExitCode::NoRunWaiting, L"No conversion waits for a print job: there was no marker \"" +
                                                  run.signalFilePath + L"\" when the print run began. The job was "
                                                  L"dropped.");
    }
    try {
        ReleaseAnsweredMarker(run.signalFilePath, *run.marker, [&] {
            if (job) {
                report.job = spool.Release(*job);
                job.reset();
            } else {
                spool.AddRefusal();
            }
        });
    } catch (...) {
        // The document's own failure says more than what became of the marker.
        if (failure) {
            throw *failure;
        }
        throw;
    }
    if (failure) {
        throw *failure;
    }
    report.done = L"taken";
    return ExitCode::Success;
}

} // namespace Converter
