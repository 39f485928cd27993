#pragma once
// What the print watcher reads of a printed PostScript job's own bytes, which
// come from whatever program printed: whether the job is whole, and its title.
#include <string>
#include <string_view>

namespace Converter {

// Whether a job's bytes end as a complete PostScript document: "%%EOF",
// then only line ends, spaces or the end-of-job byte (Ctrl-D).
bool IsCompletePostScript(std::string_view bytes);

// The DSC "%%Title:" of the job's prolog, unquoted, or the empty string.
std::wstring PostScriptTitle(std::string_view bytes);

} // namespace Converter
