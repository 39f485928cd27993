#pragma once
// The converter writes a document first under a name of its own beside the
// output, "<output name>.PDFCreator-<pid>-<marker>.partial" (the output name
// left out where the path is too long for it), and renames it over the
// output once whole. A converter killed before then leaves that file: the
// next converter to the same output, or the CommandLine.exe run that started
// the killed one, takes it away. Both programs go by these names alone.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace SignalExchange {

// The name of the partial file a converter with that process id and marker
// writes for an output file of that name (a name, not a path; empty for the
// short form).
std::wstring PartialFileName(const std::wstring& outputName, DWORD processId, unsigned long long marker);

// The process id in a partial file's name for that output name; nothing
// when the name is not exactly of that form (a marker of 16 lower-case
// hexadecimal digits included).
std::optional<DWORD> PartialFileOwner(const std::wstring& fileName, const std::wstring& outputName);

// Deletes the partial files for that output name in the folder (a path
// ending in a backslash) whose writer's process id ownerGone accepts. A name
// not exactly of the form, a folder or a link is never touched; a file that
// cannot be deleted (its writer still holds it) stays, without an error.
void RemovePartialFiles(const std::string& folder, const std::wstring& outputName,
                        const std::function<bool(DWORD processId)>& ownerGone);

} // namespace SignalExchange
