#include "FileReader.h"

#include "AnsiText.h"
#include "Error.h"

#include <windows.h>

#include <algorithm>

namespace Global {

FileReader::FileReader(const std::wstring& path) : path_(path)
{
    std::string ansi = ToAnsi(path);
    file_.Reset(::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) {
        ThrowSystemError(L"The file \"" + path + L"\" could not be opened", ::GetLastError());
    }
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file_.Get(), &length)) {
        ThrowSystemError(L"The size of the file \"" + path + L"\" is unknown", ::GetLastError());
    }
    size_ = static_cast<unsigned long long>(length.QuadPart);
}

void FileReader::Seek(unsigned long long offset)
{
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN)) {
        ThrowSystemError(L"The file \"" + path_ + L"\" could not be read", ::GetLastError());
    }
}

std::string_view FileReader::Read(size_t most)
{
    buffer_.resize(most);
    DWORD read = 0;
    DWORD ask = static_cast<DWORD>(std::min<size_t>(most, 1u << 30));
    if (!::ReadFile(file_.Get(), buffer_.data(), ask, &read, nullptr)) {
        ThrowSystemError(L"The file \"" + path_ + L"\" could not be read", ::GetLastError());
    }
    return std::string_view(buffer_.data(), read);
}

std::string FileReader::ReadExactly(size_t count)
{
    std::string bytes;
    while (bytes.size() < count) {
        std::string_view piece = Read(std::min<size_t>(count - bytes.size(), 1u << 20));
        if (piece.empty()) {
            break;
        }
        bytes += piece;
    }
    return bytes;
}

} // namespace Global
