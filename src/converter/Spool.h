#pragma once
// The converter's spool: one folder of pending print jobs per user, each job
// a copy of the printed document. Job names sort by arrival, so the oldest
// job is the first name.
#include <string>
#include <vector>

namespace Converter {

// Local application data + "\Marrowgate\Ardenfold\Spool", made where
// missing. Throws Failure(SpoolUnusable) when it cannot be had.
std::wstring SpoolFolder();

// A print job: the document's bytes and its name (the file name it had,
// which becomes the PDF's title).
struct Job {
    std::wstring documentName;
    std::string document;
};

// Stores the job as the newest and returns its path. A job appears under its
// final name only once complete, and never replaces another job, however many
// are taken at once. Throws Failure(SpoolUnusable).
std::wstring AddJob(const Job& job);

// Reads a stored job back. Throws Failure(SpoolUnusable) when it cannot be
// read or is not a job.
Job ReadJob(const std::wstring& path);

// Full paths of the pending jobs, oldest first.
std::vector<std::wstring> PendingJobs();

// Deletes every pending job; a job that cannot be deleted is left. Returns
// the number deleted.
int ClearJobs();

} // namespace Converter
