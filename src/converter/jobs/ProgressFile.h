#pragma once
// Where a long conversion tells how far it has come, for whoever waits on
// it (the command has no console to show it): one line, "pages=<n>
// seconds=<elapsed>", rewritten about once a second and removed at the end.
// The caller reads the clock (milliseconds, GetTickCount64's), so that a
// test can give the times.
#include <string>

namespace Converter {

class ProgressFile {
public:
    // The folder is asked for at the first report, by a text's conversion
    // alone: an image's never reports.
    explicit ProgressFile(unsigned long long startedMilliseconds) : started_(startedMilliseconds) {}
    ~ProgressFile();
    ProgressFile(const ProgressFile&) = delete;
    ProgressFile& operator=(const ProgressFile&) = delete;

    void Tell(size_t pages, unsigned long long nowMilliseconds);

private:
    std::wstring path_;
    unsigned long long started_;
    unsigned long long last_ = 0;
    bool asked_ = false;
    bool written_ = false;
};

} // namespace Converter
