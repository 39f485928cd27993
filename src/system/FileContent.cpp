#include "FileContent.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"

#include <windows.h>

namespace Global {

namespace {

FileHandle OpenToRead(const std::wstring& path)
{
    std::string ansi = ToAnsi(path);
    // Others may go on writing or deleting: a job is a copy taken at one moment.
    FileHandle file(::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ThrowSystemError(L"The file \"" + path + L"\" could not be opened", ::GetLastError());
    }
    return file;
}

// Reads to the end, or until more than limit bytes have come: true when the
// end came first.
bool ReadUpTo(HANDLE file, const std::wstring& path, unsigned long long limit, std::string& bytes)
{
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            ThrowSystemError(L"The file \"" + path + L"\" could not be read", ::GetLastError());
        }
        if (read == 0) {
            return true;
        }
        if (bytes.size() + read > limit) {
            return false;
        }
        bytes.append(buffer, read);
    }
}

} // namespace

std::string ReadFileBytes(const std::wstring& path)
{
    FileHandle file = OpenToRead(path);
    std::string bytes;
    ReadUpTo(file.Get(), path, bytes.max_size(), bytes);
    return bytes;
}

std::optional<std::string> ReadFileBytesUpTo(const std::wstring& path, unsigned long long limit,
                                             unsigned long long& size)
{
    FileHandle file = OpenToRead(path);
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file.Get(), &length)) {
        ThrowSystemError(L"The size of the file \"" + path + L"\" is unknown", ::GetLastError());
    }
    size = static_cast<unsigned long long>(length.QuadPart);
    if (size > limit) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(size));
    if (!ReadUpTo(file.Get(), path, limit, bytes)) {
        return std::nullopt; // it grew past the limit while it was read
    }
    return bytes;
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
