#pragma once
// Which file a path or a handle leads to, whatever the name it is reached by
// (another spelling, an 8.3 short name, a hard link, another drive letter
// for the same volume): the volume's serial number and the file's index on
// it, as GetFileInformationByHandle gives them.
#include <windows.h>

#include <optional>
#include <string>

namespace Global {

struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Nothing when the system cannot say.
std::optional<FileIdentity> IdentityOf(HANDLE file);

// The identity of the file at the path; nothing when there is none there or
// it cannot be opened to ask (a folder counts as one).
std::optional<FileIdentity> IdentityOfPath(const std::wstring& path);

} // namespace Global
