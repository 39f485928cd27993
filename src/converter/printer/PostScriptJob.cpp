#include "PostScriptJob.h"

#include "AnsiText.h"
#include "Error.h"

namespace Converter {

bool IsCompletePostScript(std::string_view bytes)
{
    size_t end = bytes.find_last_not_of(" \t\r\n\x04");
    constexpr std::string_view eof = "%%EOF";
    return end != std::string_view::npos && end + 1 >= eof.size() &&
           bytes.substr(end + 1 - eof.size(), eof.size()) == eof;
}

std::wstring PostScriptTitle(std::string_view bytes)
{
    constexpr std::string_view key = "\n%%Title:";
    std::string_view prolog = bytes.substr(0, 64 * 1024);
    size_t at = prolog.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    size_t start = prolog.find_first_not_of(' ', at + key.size());
    size_t end = prolog.find_first_of("\r\n", at + key.size());
    if (start == std::string_view::npos || end == std::string_view::npos || start >= end) {
        return {};
    }
    std::string_view title = prolog.substr(start, end - start);
    if (title.size() >= 2 && title.front() == '(' && title.back() == ')') {
        title = title.substr(1, title.size() - 2);
    }
    try {
        return Global::FromAnsi(std::string(title));
    } catch (const Global::Error&) {
        return {};
    }
}

} // namespace Converter
