#pragma once
// "Exit code 0 but no file" is what unattended callers fear most: after the
// converter run the output path is looked at.
#include <windows.h>

#include <string>

namespace Ardenfold_API {

FILETIME CurrentFileTime();

// True when a file (not a folder) exists at path and was last written at or
// after since, less the coarsest timestamp granularity of common file
// systems (2 s), so that a document written in this run is never mistaken
// for an old one.
bool IsDocumentWrittenSince(const std::wstring& path, const FILETIME& since);

} // namespace Ardenfold_API
