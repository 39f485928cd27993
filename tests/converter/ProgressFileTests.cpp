#include "ProgressFile.h"

#include "ConverterFolder.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "SystemLocations.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace Converter;

// Rewritten at most once a second by the times it is given, and gone when
// the conversion ends: a line left behind would tell of a conversion that is
// no longer running.
TEST(ProgressFile, TellsAtMostOnceASecondAndGoesAtTheEnd)
{
    const std::wstring folder = Global::GetTempFolder() + L"ProgressFileTests";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t before[32768] = {};
    const bool wasSet = ::GetEnvironmentVariableW(L"ARDENFOLD_CONVERTER_FOLDER", before, 32768) != 0;
    ::SetEnvironmentVariableW(L"ARDENFOLD_CONVERTER_FOLDER", folder.c_str());
    const std::wstring path = folder + L"\\Conversion.progress";
    {
        ProgressFile progress(5'000);
        const struct {
            size_t pages;
            unsigned long long now;
            const char* line;
        } rows[] = {
            {3, 6'000, "pages=3 seconds=1\r\n"},
            {9, 6'900, "pages=3 seconds=1\r\n"}, // within the second: not rewritten
            {12, 7'000, "pages=12 seconds=2\r\n"},
            {40, 65'500, "pages=40 seconds=60\r\n"},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.now);
            progress.Tell(row.pages, row.now);
            EXPECT_EQ(Global::ReadFileBytes(path), row.line);
        }
    }
    EXPECT_FALSE(Global::FileExists(path));
    ::SetEnvironmentVariableW(L"ARDENFOLD_CONVERTER_FOLDER", wasSet ? before : nullptr);
    ::RemoveDirectoryW(folder.c_str());
}
