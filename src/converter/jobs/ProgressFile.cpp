#include "ProgressFile.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "ConverterFolder.h"
#include "FileContent.h"

#include <windows.h>

namespace Converter {

ProgressFile::~ProgressFile()
{
    if (written_) {
        try {
            ::DeleteFileA(Global::ToAnsi(path_).c_str());
        } catch (...) {
            // A path that was written is one the ANSI code page holds.
        }
    }
}

void ProgressFile::Tell(size_t pages, unsigned long long now)
{
    if (now - last_ < 1000) {
        return;
    }
    if (!asked_) {
        asked_ = true;
        try {
            path_ = FindConverterFolder() + L"\\Conversion.progress";
        } catch (const Failure&) {
            // No folder for a log: nowhere to tell progress either.
        }
    }
    if (path_.empty()) {
        return;
    }
    last_ = now;
    try {
        Global::WriteFileBytes(path_, "pages=" + std::to_string(pages) +
                                          " seconds=" + std::to_string((now - started_) / 1000) + "\r\n");
        written_ = true;
    } catch (const Global::Error&) {
        // Progress is a courtesy: the conversion goes on without it.
    }
}

} // namespace Converter
