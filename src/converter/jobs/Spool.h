#pragma once
// The converter's spool: the pending print jobs of the runs that share one
// signal file, in a folder beside it, so that the run lock that keeps those
// runs apart covers their jobs too. Each job is a copy of the printed
// document. Job names sort by arrival, so the oldest job is the first name.
// The spool owns a job's steps: it is written, released by the print run
// whose marker it answers (or dropped), taken for conversion, then removed,
// or it goes back; or the cache is cleared.
#include "FileIdentity.h"
#include "JobHeader.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Converter {

// What a print run copies into its job: the document's pieces in order
// (an empty one at its end), then what they were found to be. Either may
// throw the document's failure.
struct JobSource {
    std::wstring documentName;
    std::function<std::string_view()> nextPiece;
    std::function<JobKind()> kind;
};

// A job written whole but not yet takeable: its print run releases it once
// it has checked that its marker is still there, or drops it.
struct UnreleasedJob {
    std::wstring path;
};

// A job taken for conversion, under a name that no conversion looks for.
struct TakenJob {
    std::wstring path;        // where it lies while taken
    std::wstring pendingPath; // where it lay as a pending job
    std::wstring Name() const;
};

// The folder beside a taken job that holds what is made from it while it is
// converted (Ghostscript's input, output, messages and scratch files), and
// nothing else: "<taken job>.work".
std::wstring WorkFolderOf(const std::wstring& takenJobPath);

class Spool {
public:
    explicit Spool(std::wstring folder) : folder_(std::move(folder)) {}

    // "<the signal file's folder>\Spool"; folders are made when a job is
    // written. The spool is this user's alone: made so, and refused
    // (Failure(SpoolUnusable), nothing read or written) when another user
    // owns it or may change it, or it is a link.
    static std::wstring FolderFor(const std::wstring& signalFilePath);

    const std::wstring& Folder() const { return folder_; }

    // Writes the job under a name that no conversion takes and that names
    // this process: "<arrival>-<process id, 8 hex digits>.job.part", a piece
    // of the document at a time, and the file it comes from when it has one.
    // Throws Failure(SpoolUnusable), or what the source throws; nothing is
    // left of the job then.
    UnreleasedJob WriteJob(const JobSource& source,
                           const std::optional<Global::FileIdentity>& documentFile = std::nullopt) const;

    // Makes the job takeable as the newest and returns its file name. It
    // never replaces another job, however many are released at once. Throws
    // Failure(SpoolUnusable); the job then stays unreleased.
    std::wstring Release(const UnreleasedJob& job) const;

    // A job that will never be released goes at once.
    void Drop(const UnreleasedJob& job) const noexcept;

    // The print run refused its document and said why: a note, released as
    // a job would be, for the conversion run that finds no job. Throws
    // Failure(SpoolUnusable).
    void AddRefusal() const;

    // Takes the oldest such note away; false when there is none.
    bool TakeRefusal() const;

    // Full paths of the pending jobs, oldest first. Throws
    // Failure(SpoolUnusable) when the spool cannot be read.
    std::vector<std::wstring> PendingJobs() const;

    // Takes the oldest pending job out of the pending ones, so that no later
    // conversion is handed it again, whatever becomes of this one. Throws
    // Failure(NoPendingJob) when there is none, and Failure(SpoolUnusable)
    // when the oldest job cannot be taken (another program holds it open
    // and does not let it be renamed or deleted): it is then not converted,
    // since nothing could keep it from being converted a second time.
    TakenJob TakeOldestJob() const;

    // A conversion that failed gives its job back, as the oldest again. A
    // job that cannot go back stays taken and goes at the next clearing.
    void PutBack(const TakenJob& job) const noexcept;

    // Deletes a converted job. Throws Failure(SpoolUnusable) when it cannot:
    // it then stays taken, never handed out again, until the next clearing.
    void Remove(const TakenJob& job) const;

    // Deletes every pending job, every job left taken, every note of a
    // refusal, every unreleased job whose process has ended (a print run
    // that was killed), and every work folder a killed conversion left; a
    // job that cannot be deleted is left. Only names of the spool's own
    // forms are touched. Returns the number deleted.
    int Clear() const;

private:
    // Makes the spool's folder for this user alone, or checks the one there.
    void UseFolder() const;
    std::vector<std::wstring> Files(const std::wstring& extension) const;
    // Renames from to "<arrival>-<sequence><extension>", the first such name
    // that is free, and returns it.
    std::wstring MoveToArrivalName(const std::wstring& from, const std::wstring& extension) const;

    std::wstring folder_;
};

} // namespace Converter
