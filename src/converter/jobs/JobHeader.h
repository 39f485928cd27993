#pragma once
// The head of a job file in the spool: the document's name (the file name it
// had, which becomes the PDF's title), what the print run found it to be,
// the file it was copied from (so that a conversion never writes its PDF over
// it; nothing for a printed job), and where its bytes lie in the job. The
// kinds and encodings are written as codes of the file format's own, which
// no reordering of the program's enumerations changes.
#include "FileIdentity.h"
#include "JobDocument.h"

#include <cstddef>
#include <optional>
#include <string>

namespace Converter {

struct JobHeader {
    std::wstring documentName;
    JobKind kind;
    std::optional<Global::FileIdentity> documentFile;
    unsigned long long documentOffset = 0;
    unsigned long long documentSize = 0;
};

// Where the kind lies in the header, and its length: it is known only once
// the whole document has been written after the header, so it is written
// again there last.
inline constexpr size_t JobKindAt = 13;
inline constexpr size_t JobKindBytes = 1 + 1 + 2 + 4; // kind, encoding, code page, strays

// The header's bytes, the document's name the last of them.
std::string EncodeJobHeader(const std::wstring& documentName, const JobKind& kind,
                            const std::optional<Global::FileIdentity>& documentFile);

// Reads a stored job's header. Throws Failure(SpoolUnusable) when it cannot
// be read or is not a job.
JobHeader ReadJobHeader(const std::wstring& path);

// The document of the job at path, as the renderer reads it a piece at a time.
StoredJob StoredJobOf(const std::wstring& path, const JobHeader& header);

// Reads a stored job back whole. Throws as ReadJobHeader.
Job ReadJob(const std::wstring& path);

} // namespace Converter
