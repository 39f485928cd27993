#pragma once
// The header that opens a printed job's file (PrintedJob.h): ASCII lines
// ended by an empty line, then the job's bytes. Kept apart from the file's
// handling, since the watcher reads it from a file that any program printing
// as this user may have filled, and it is read here from bytes alone.
#include "SignalExchange.h"

#include <optional>
#include <string>
#include <string_view>

namespace SignalExchange {

// What a job's header says.
struct PrintedJobHeader {
    std::optional<MarkerIdentity> marker;
    std::wstring refusal;        // empty unless the port refused the job
    unsigned long long bodyOffset = 0;
};

// The header as text, and its reading back. ParsePrintedJobHeader returns
// nothing when the bytes do not start with a whole, well-formed header.
std::string FormatPrintedJobHeader(const std::optional<MarkerIdentity>& marker, const std::string& refusal);
std::optional<PrintedJobHeader> ParsePrintedJobHeader(std::string_view head);

} // namespace SignalExchange
