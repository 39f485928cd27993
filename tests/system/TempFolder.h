#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <windows.h>

#include <string>

namespace TestFiles {

std::wstring MakeFreshFolder(const std::wstring& name);
void RemoveTree(const std::wstring& folder);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) : path_(MakeFreshFolder(name)) {}
    ~TempFolder() { RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Holds a file open, as another program would, with the given sharing.
class HeldFile {
public:
    HeldFile(const std::wstring& path, DWORD access, DWORD share)
        : handle_(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

} // namespace TestFiles
