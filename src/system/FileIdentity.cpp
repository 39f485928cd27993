#include "FileIdentity.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"

namespace Global {

std::optional<FileIdentity> IdentityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOfPath(const std::wstring& path)
{
    std::string ansi;
    try {
        ansi = ToAnsi(path);
    } catch (const Error&) {
        return std::nullopt; // no ANSI call reaches such a file either
    }
    // No access asked for: only the attributes are read, and a file that
    // others hold open, even one they let nobody read, still answers.
    FileHandle file(::CreateFileA(ansi.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return std::nullopt;
    }
    return IdentityOf(file.Get());
}

} // namespace Global
