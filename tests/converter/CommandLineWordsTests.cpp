#include "CommandLineWords.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

namespace {

// The system's own splitter, whose rules the converter keeps.
std::vector<std::wstring> SystemWords(const std::wstring& commandLine)
{
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(commandLine.c_str(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; words && i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    ::LocalFree(words);
    return arguments;
}

TEST(CommandLineWordsTest, CutsAsTheSystemDoes)
{
    const wchar_t* lines[] = {
        L"PDFCreator.exe",
        L"PDFCreator.exe ",
        L"PDFCreator.exe /ClearCache /NoStart",
        L"PDFCreator.exe\t/ClearCache\t\t/NoStart\t",
        L"\"C:\\Program Files\\Ardenfold\\PDFCreator.exe\" /PrintFile \"C:\\Docs\\a report.txt\"",
        L"\"C:\\Program Files\\Ardenfold\\PDFCreator.exe\"/PrintFile x",
        L"\"C:\\a\\b\\\" /PrintFile x",
        L"C:\\a\"b c\\PDFCreator.exe /PrintFile x",
        L"p /PrintFile C:\\Docs\\",
        L"p /PrintFile \"C:\\Docs\\\\\"",
        L"p /PrintFile \"C:\\Docs\\\"",
        L"p a\\\\\\\"b c\\\\\\\\\"d e\"",
        L"p \"\" \"\" x",
        L"p \"\"",
        L"p \"\"\"\"",
        L"p \"\"\"\"\"\" a",
        L"p \"a\"\"b\" c",
        L"p \"a \"\"\" b\" c",
        L"p a\"b c\"d e",
        L"p \\\\server\\share\\file.txt",
        L"p \"unclosed quote and spaces   ",
        L"p x\\\\\" y\"",
        L"\"\" a b",
        L" p a",
        L"p \u00e9\u4e2d \"\u0e01 \u0e02\"",
    };
    for (size_t i = 0; i < std::size(lines); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Converter::CommandLineWords(lines[i]), SystemWords(lines[i]));
    }
}

} // namespace
