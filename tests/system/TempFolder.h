#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include "AnsiText.h"
#include "Files.h"

#include <string>

namespace TestFiles {

std::wstring MakeFreshFolder(const std::wstring& name);
// Wide, and through the \\?\ form: the helpers' tests build trees deeper
// than the ANSI calls of the end-to-end harness can remove.
void RemoveTree(const std::wstring& folder);

// The harness's file chores, for the wide paths these tests hold.
inline void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    TestSupport::WriteFileBytes(Global::ToAnsi(path), bytes);
}
inline std::string ReadBytes(const std::wstring& path)
{
    return TestSupport::ReadFileBytes(Global::ToAnsi(path));
}

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

} // namespace TestFiles
