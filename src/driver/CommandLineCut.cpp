#include "CommandLineCut.h"

#include <windows.h>

namespace Ardenfold_API {
namespace {

constexpr wchar_t ExpectedForm[] = L"The command line must have the form {print command} {output file}.";

// The text between the first "{" at or after start and the first "}" after
// it; next receives the position after that "}".
bool CutGroup(const std::wstring& text, size_t start, std::wstring& part, size_t& next)
{
    size_t open = text.find(L'{', start);
    if (open == std::wstring::npos) {
        return false;
    }
    size_t close = text.find(L'}', open + 1);
    if (close == std::wstring::npos) {
        return false;
    }
    part = text.substr(open + 1, close - open - 1);
    next = close + 1;
    return true;
}

} // namespace

CommandLineParts CutCommandLine(const std::wstring& commandLineText)
{
    CommandLineParts parts;
    size_t next = 0;
    if (!CutGroup(commandLineText, 0, parts.PrintCommand, next)) {
        throw CommandLineError(std::wstring(L"The print command is missing or has no closing brace. ") +
                               ExpectedForm);
    }
    if (!CutGroup(commandLineText, next, parts.OutputPath, next)) {
        throw CommandLineError(std::wstring(L"The output file is missing or has no closing brace. ") +
                               ExpectedForm);
    }
    return parts;
}

std::wstring ProcessArgumentText()
{
    // The program's own name ends at the closing quote when it is quoted,
    // else at the first space or tab; what follows is the argument text,
    // separator included (trimming removes a space, a tab stays).
    const wchar_t* text = ::GetCommandLineW();
    if (text == nullptr) {
        return {};
    }
    std::wstring line(text);
    size_t end = 0;
    if (!line.empty() && line[0] == L'"') {
        size_t close = line.find(L'"', 1);
        end = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        end = line.find_first_of(L" \t");
        if (end == std::wstring::npos) {
            end = line.size();
        }
    }
    return line.substr(end);
}

std::wstring TrimBlanks(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

} // namespace Ardenfold_API
