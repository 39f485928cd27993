// A printed job's framing under a fuzzer, read as the print watcher reads a
// job's file: the port's header from its first 4 KiB, then from the body its
// title (the first 64 KiB) and whether its last 64 bytes end it as a whole
// PostScript document. Any bytes: never a crash, a body that starts inside
// what was read, a title on one line; a header written for any marker reads
// back as that marker; "%%EOF" makes a document whole, whatever line ends,
// blanks or end-of-job byte follow it.
// fuzz-seeds: *.ps *.eps
// fuzz-max-len: 131072
#include "PostScriptJob.h"
#include "PrintedJobHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using SignalExchange::MarkerIdentity;

void Check(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

DWORD Word(std::string_view bytes, size_t at)
{
    DWORD value = 0;
    for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

bool Same(const MarkerIdentity& a, const MarkerIdentity& b)
{
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow &&
           a.created.dwLowDateTime == b.created.dwLowDateTime && a.created.dwHighDateTime == b.created.dwHighDateTime &&
           a.written.dwLowDateTime == b.written.dwLowDateTime && a.written.dwHighDateTime == b.written.dwHighDateTime;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view job(reinterpret_cast<const char*>(data), size);
    std::string_view head = job.substr(0, 4096);
    std::optional<SignalExchange::PrintedJobHeader> header = SignalExchange::ParsePrintedJobHeader(head);
    std::string_view body = job;
    if (header) {
        Check(header->bodyOffset <= head.size());
        body = job.substr(header->bodyOffset);
    }
    std::wstring title = Converter::PostScriptTitle(body.substr(0, 64 * 1024));
    Check(title.find_first_of(L"\r\n") == std::wstring::npos);
    std::string_view tail = body.substr(body.size() - std::min<size_t>(64, body.size()));
    bool whole = Converter::IsCompletePostScript(tail);
    Check(!whole || tail.find("%%EOF") != std::string_view::npos);
    Check(Converter::IsCompletePostScript(std::string(tail) + "\r\n\x04") == whole);
    Check(Converter::IsCompletePostScript(std::string(tail) + "%%EOF \n"));

    // The input's first bytes as a marker, written and read back.
    MarkerIdentity marker{Word(job, 0), Word(job, 4), Word(job, 8), FILETIME{Word(job, 12), Word(job, 16)},
                          FILETIME{Word(job, 20), Word(job, 24)}};
    bool none = size % 2 == 1;
    std::string written =
        SignalExchange::FormatPrintedJobHeader(none ? std::nullopt : std::optional(marker), std::string(job.substr(std::min<size_t>(28, size), 200)));
    std::optional<SignalExchange::PrintedJobHeader> read = SignalExchange::ParsePrintedJobHeader(written + std::string(job));
    Check(read && read->bodyOffset == written.size() && read->marker.has_value() != none);
    Check(none || Same(*read->marker, marker));
    Check((size > 28) == !read->refusal.empty());
    return 0;
}
