#include "LauncherQuoting.h"

#include <optional>
#include <vector>

namespace Ardenfold_API {
namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

bool StartsWith(const std::wstring& text, size_t at, const wchar_t* start)
{
    return text.compare(at, std::wstring::traits_type::length(start), start) == 0;
}

// Takes the character c at position at, if it stands there.
bool Take(const std::wstring& text, size_t& at, wchar_t c)
{
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// The arguments as the C runtime splits them, for a line that a launcher
// could have written: none when a quote opens a quoted part inside an
// argument, closes one before its end, or is left open. Such a line was
// quoted some other way, and its arguments would have lost their quotes.
std::optional<std::vector<std::wstring>> LauncherArguments(const std::wstring& line)
{
    std::vector<std::wstring> arguments;
    const size_t end = line.size();
    size_t at = 0;
    for (;;) {
        while (at < end && IsBlank(line[at])) {
            ++at;
        }
        if (at == end) {
            return arguments;
        }
        const size_t first = at;
        std::wstring argument;
        bool quoted = false;
        while (at < end && (quoted || !IsBlank(line[at]))) {
            if (line[at] == L'\\') {
                size_t count = 0;
                while (at < end && line[at] == L'\\') {
                    ++count;
                    ++at;
                }
                if (at < end && line[at] == L'"') {
                    argument.append(count / 2, L'\\');
                    if (count % 2 == 1) {
                        argument += L'"';
                        ++at;
                    }
                } else {
                    argument.append(count, L'\\');
                }
            } else if (line[at] == L'"') {
                if (!quoted && at != first) {
                    return std::nullopt;
                }
                if (quoted && at + 1 < end && !IsBlank(line[at + 1])) {
                    return std::nullopt;
                }
                quoted = !quoted;
                ++at;
            } else {
                argument += line[at++];
            }
        }
        if (quoted) {
            return std::nullopt;
        }
        arguments.push_back(argument);
    }
}

std::optional<std::wstring> JoinedArguments(const std::wstring& line)
{
    std::optional<std::vector<std::wstring>> arguments = LauncherArguments(line);
    if (!arguments || arguments->empty()) {
        return std::nullopt;
    }
    std::wstring joined;
    for (const std::wstring& argument : *arguments) {
        if (argument.empty() || argument[0] != L'{') {
            return std::nullopt;
        }
        if (!joined.empty()) {
            joined += L' ';
        }
        joined += argument;
    }
    return joined;
}

// "{print}" and "{output}" taken as they stand, with the spaces between,
// from a line that wraps both in one pair of quotes or each in its own.
std::optional<std::wstring> WrappedGroups(const std::wstring& line)
{
    size_t at = 0;
    const bool openBefore = Take(line, at, L'"');
    if (!Take(line, at, L'{')) {
        return std::nullopt;
    }
    size_t close = line.find(L'}', at);
    if (close == std::wstring::npos) {
        return std::nullopt;
    }
    const std::wstring print = line.substr(at, close - at);
    at = close + 1;
    const bool closeAfter = Take(line, at, L'"');
    const size_t spaces = at;
    while (at < line.size() && line[at] == L' ') {
        ++at;
    }
    const std::wstring between = line.substr(spaces, at - spaces);
    const bool openBeforeOutput = Take(line, at, L'"');
    if (!Take(line, at, L'{')) {
        return std::nullopt;
    }
    close = line.find(L'}', at);
    if (close == std::wstring::npos) {
        return std::nullopt;
    }
    const std::wstring output = line.substr(at, close - at);
    at = close + 1;
    const bool closeAfterOutput = Take(line, at, L'"');
    if (at != line.size()) {
        return std::nullopt;
    }
    const bool together = openBefore && closeAfterOutput && !closeAfter && !openBeforeOutput;
    // A launcher puts a space between two arguments.
    const bool each = openBefore == closeAfter && openBeforeOutput == closeAfterOutput &&
                      (openBefore || openBeforeOutput) && !between.empty();
    if (!together && !each) {
        return std::nullopt;
    }
    return L"{" + print + L"}" + between + L"{" + output + L"}";
}

// Where the text as it stands is refused before its print command ("\"" in
// front) or between the groups ("\"" in front of the second), and only
// there: a line that the cut takes is never read another way.
bool MayBeQuoting(const std::wstring& line)
{
    if (StartsWith(line, 0, L"\"{")) {
        return true;
    }
    if (!StartsWith(line, 0, L"{")) {
        return false;
    }
    size_t close = line.find(L'}');
    if (close == std::wstring::npos) {
        return false;
    }
    size_t next = line.find_first_not_of(L' ', close + 1);
    return next != std::wstring::npos && StartsWith(line, next, L"\"{");
}

} // namespace

std::wstring GroupsAsWritten(const std::wstring& argumentText)
{
    if (!MayBeQuoting(argumentText)) {
        return argumentText;
    }
    if (std::optional<std::wstring> joined = JoinedArguments(argumentText)) {
        return *joined;
    }
    if (std::optional<std::wstring> wrapped = WrappedGroups(argumentText)) {
        return *wrapped;
    }
    return argumentText;
}

} // namespace Ardenfold_API
