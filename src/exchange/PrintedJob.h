#pragma once
// A printed job on its way from the printer's port to the run that waits
// for it. The port monitor (ArdenfoldPort.dll) writes each job into a folder
// of its owner's own, beside the signal file of the owner's session:
// "<signal file's folder>\Printed". Nobody else's job can come there, and no
// one else can read it. The job notes the marker that stood when printing
// began, so that the print watcher hands it to that run alone.
//
// A job's file is "<arrival, 16 hex digits>-<process, 8>-<random, 8>.job",
// written first as ".job.part" and renamed once whole. It starts with a
// header of ASCII lines ended by an empty line:
//   ArdenfoldPrintedJob 1
//   marker <seven numbers in hex> | marker none
//   refused <reason, UTF-8>          (only when the port refused the job)
// and then the job's bytes as the printer driver wrote them.
#include "PrintedJobHeader.h"
#include "SignalExchange.h"

#include <windows.h>

#include "Handle.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SignalExchange {

// A job larger than this is refused at the port, with its reason, and none
// of it is kept.
inline constexpr unsigned long long MaxPrintedJobBytes = 512ull << 20;

// "<signal file's folder>\Printed".
std::wstring PrintedJobsFolderFor(const std::wstring& signalFilePath);

// The port monitor's side: one job, from the start of printing to its end.
// Nothing of a job that is not finished is left behind by this object; a
// writer that was killed leaves its ".job.part", which the watcher finds
// unheld and drops.
class PrintedJobWriter {
public:
    // Creates the job's file, new, in the folder (which the caller has
    // checked is the owner's), readable by its owner only. Throws
    // Global::Error.
    PrintedJobWriter(const std::wstring& folder, const std::optional<MarkerIdentity>& marker);
    ~PrintedJobWriter();
    PrintedJobWriter(const PrintedJobWriter&) = delete;
    PrintedJobWriter& operator=(const PrintedJobWriter&) = delete;

    // Appends the bytes. Past MaxPrintedJobBytes the job becomes a refusal:
    // what was written goes, and the rest is not kept. Throws Global::Error.
    void Write(std::string_view bytes);

    // The job is whole: it is renamed to its final name, where the watcher
    // takes it. Throws Global::Error.
    void Finish();

    const std::wstring& PartPath() const { return partPath_; }

private:
    void Refuse(const std::string& reason);

    std::wstring partPath_;
    std::wstring finalPath_;
    std::optional<MarkerIdentity> marker_;
    Global::FileHandle file_;
    unsigned long long written_ = 0;
    bool refused_ = false;
    bool finished_ = false;
};

// The finished jobs ("*.job") and the unfinished ones ("*.job.part") in
// the folder, oldest first; none when the folder is missing.
std::vector<std::wstring> FinishedPrintedJobs(const std::wstring& folder);
std::vector<std::wstring> UnfinishedPrintedJobs(const std::wstring& folder);

} // namespace SignalExchange
