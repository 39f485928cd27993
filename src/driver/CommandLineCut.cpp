#include "CommandLineCut.h"

#include <windows.h>

namespace Ardenfold_API {
namespace {

constexpr wchar_t ExpectedForm[] = L"The command line must have the form {print command} {output file}.";

// Long enough to recognise the text in a message box, short enough to read.
constexpr size_t ShownTextLength = 80;

[[noreturn]] void Refuse(const std::wstring& what)
{
    throw CommandLineError(what + L" " + ExpectedForm);
}

[[noreturn]] void RefuseUnexpected(const std::wstring& where, const std::wstring& text,
                                   const std::wstring& cause = {})
{
    std::wstring shown = text.size() > ShownTextLength ? text.substr(0, ShownTextLength) + L"..." : text;
    Refuse(L"Unexpected text " + where + L": \"" + shown + L"\"." + cause);
}

// The n characters from index start, fewer when the text ends sooner, none
// when start lies beyond its end.
std::wstring Cut(const std::wstring& text, size_t start, size_t length)
{
    return start >= text.size() ? std::wstring() : text.substr(start, length);
}

} // namespace

CommandLineParts CutCommandLine(const std::wstring& text)
{
    // Both parts start one character after the first "{" of the whole line
    // (at the start when there is none), and each is as long as the text
    // before its first "}" less one character: the lengths a well-formed
    // line gives, counted from the first "}" alone.
    size_t open = text.find(L'{');
    size_t start = open == std::wstring::npos ? 0 : open + 1;
    size_t close = text.find(L'}');
    if (close == std::wstring::npos) {
        Refuse(L"The print command is missing or has no closing brace.");
    }
    if (close == 0) {
        Refuse(L"The command line begins with a closing brace.");
    }
    CommandLineParts parts;
    parts.PrintCommand = Cut(text, start, close - 1);

    // Rest: the line after as many characters as the print command and its
    // two braces take.
    const std::wstring rest = TrimBlanks(text.substr(parts.PrintCommand.size() + 2));
    size_t restClose = rest.find(L'}');
    if (restClose == std::wstring::npos) {
        Refuse(L"The output file is missing or has no closing brace.");
    }
    if (restClose == 0) {
        Refuse(L"The output file is missing: a closing brace follows the print command.");
    }
    parts.OutputPath = Cut(rest, start, restClose - 1);

    // An empty part is the caller's to report. A non-empty part is the text
    // between its own braces only when the line (for the print command) and
    // Rest (for the output path) begin with "{"; anything else has shifted
    // it, and no part is handed on.
    if (parts.PrintCommand.empty()) {
        return parts;
    }
    if (text[0] != L'{') {
        RefuseUnexpected(L"before the print command", text.substr(0, open));
    }
    if (!parts.OutputPath.empty() && rest[0] != L'{') {
        std::wstring between = TrimBlanks(rest.substr(0, rest.find(L'{')));
        // A "}" in that text means the print command held one, most often in
        // a document's path, and the first "}" ended it early.
        if (between.find(L'}') != std::wstring::npos) {
            RefuseUnexpected(L"between the print command and the output file", between,
                             L" The print command ends at its first \"}\": a \"}\" cannot stand in a path given to "
                             L"CommandLine.exe (rename the file or its folder).");
        }
        RefuseUnexpected(L"between the print command and the output file", between);
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
