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

// Stores the bytes as the newest job and returns its path. A job appears
// under its final name only once complete, and never replaces another job,
// however many are taken at once. Throws Failure(SpoolUnusable).
std::wstring AddJob(const std::string& document);

// Full paths of the pending jobs, oldest first.
std::vector<std::wstring> PendingJobs();

// Deletes every pending job; a job that cannot be deleted is left. Returns
// the number deleted.
int ClearJobs();

} // namespace Converter
