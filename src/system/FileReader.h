#pragma once
// A file read piece by piece through the ANSI entry points, so that a file
// of any size costs one piece of memory.
#include "FileIdentity.h"
#include "Handle.h"

#include <optional>
#include <string>
#include <string_view>

namespace Global {

class FileReader {
public:
    // Opens the file, letting others go on writing or deleting it. Throws
    // Global::Error naming the file and the system's reason.
    explicit FileReader(const std::wstring& path);

    unsigned long long Size() const { return size_; }
    // The file this reader reads, whatever path led to it.
    std::optional<FileIdentity> Identity() const { return IdentityOf(file_.Get()); }
    // Goes to that offset from the file's start.
    void Seek(unsigned long long offset);
    // The next bytes, at most `most`; empty at the end. The view holds until
    // the next call. Throws Global::Error.
    std::string_view Read(size_t most);
    // Exactly `count` bytes, or fewer where the file ends first.
    std::string ReadExactly(size_t count);

private:
    std::wstring path_;
    FileHandle file_;
    unsigned long long size_ = 0;
    std::string buffer_;
};

} // namespace Global
