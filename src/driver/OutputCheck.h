#pragma once
// "Exit code 0 but no file" is what unattended callers fear most: the output
// path is looked at before the conversion and after it. Both looks ask the
// same file system, so a file server whose clock differs from this
// machine's cannot make a new document look old.
#include <windows.h>

#include <string>

namespace Ardenfold_API {

// What is at a path, as far as telling a rewritten file apart goes.
struct DocumentState {
    bool exists = false;
    bool isFolder = false;
    FILETIME lastWrite{};
    ULONGLONG size = 0;
    bool hasIdentity = false; // the file system gave the file's volume and index
    DWORD volume = 0;
    ULONGLONG index = 0;
};

// What is at the path before the conversion. Never throws: a path that
// cannot be looked at reads as absent.
DocumentState ReadDocumentState(const std::wstring& path);

// True when a file (not a folder) is at the path now that was absent before,
// or was something else then: a folder, or a file of another last-write
// time, size or identity. The identity is read only when time and size are
// the same. Never throws.
bool IsNewDocument(const DocumentState& before, const std::wstring& path);

// Deletes what a converter run that left no document wrote of it: its
// partial file for that output, known by the process id the run had. Only
// that converter's own name is touched, never a link; another converter's
// file, or one still held, stays. Never throws.
void RemoveConverterPartialFiles(const std::wstring& outputPath, DWORD converterProcessId);

} // namespace Ardenfold_API
