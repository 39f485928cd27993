#pragma once
// The converter's spool: one folder of pending print jobs per user, each job
// a copy of the printed document. Job names sort by arrival, so the oldest
// job is the first name. The spool owns a job's steps: it is added, taken
// for conversion, then removed, or it goes back; or the cache is cleared.
#include <string>
#include <vector>

namespace Converter {

// A print job: the document's bytes and its name (the file name it had,
// which becomes the PDF's title).
struct Job {
    std::wstring documentName;
    std::string document;
};

// A job taken for conversion, under a name that no conversion looks for.
struct TakenJob {
    std::wstring path;        // where it lies while taken
    std::wstring pendingPath; // where it lay as a pending job
    std::wstring Name() const;
};

// Reads a stored job back. Throws Failure(SpoolUnusable) when it cannot be
// read or is not a job.
Job ReadJob(const std::wstring& path);

class Spool {
public:
    // The spool is converterFolder + "\Spool"; folders are made when a job
    // is added.
    explicit Spool(const std::wstring& converterFolder);

    const std::wstring& Folder() const { return folder_; }

    // Stores the job as the newest and returns its path. A job appears under
    // its final name only once complete, and never replaces another job,
    // however many are taken at once. Throws Failure(SpoolUnusable).
    std::wstring AddJob(const Job& job) const;

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

    // Deletes every pending job and every job left taken; a job that cannot
    // be deleted is left. Returns the number deleted.
    int Clear() const;

private:
    std::vector<std::wstring> Files(const std::wstring& extension) const;

    std::wstring folder_;
};

} // namespace Converter
