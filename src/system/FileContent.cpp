#include "FileContent.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"

#include <windows.h>

namespace Global {

std::string ReadFileBytes(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    // Others may go on writing or deleting: a job is a copy taken at one moment.
    FileHandle file(::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ThrowSystemError(L"The file \"" + path + L"\" could not be opened", ::GetLastError());
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
            ThrowSystemError(L"The file \"" + path + L"\" could not be read", ::GetLastError());
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(buffer, read);
    }
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::string ansi = ToAnsi(path);
    FileHandle file(
        ::CreateFileA(ansi.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ThrowSystemError(L"The file \"" + path + L"\" could not be created", ::GetLastError());
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr)) {
            ThrowSystemError(L"The file \"" + path + L"\" could not be written", ::GetLastError());
        }
        done += written;
    }
}

} // namespace Global
