#include "CommandLineWords.h"

namespace Converter {

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

} // namespace

std::vector<std::wstring> CommandLineWords(const std::wstring& commandLine)
{
    const size_t end = commandLine.size();
    size_t at = 0;
    if (at < end && commandLine[at] == L'"') {
        // The program's path has no escapes: it ends at the next quote.
        ++at;
        while (at < end && commandLine[at++] != L'"') {
        }
    } else {
        while (at < end && !IsBlank(commandLine[at])) {
            ++at;
        }
    }
    while (at < end && IsBlank(commandLine[at])) {
        ++at;
    }

    std::vector<std::wstring> words;
    if (at == end) {
        return words;
    }
    std::wstring word;
    size_t backslashes = 0;
    int quotes = 0; // 0: outside a quoted part; 1: inside; 2 after a run counts as outside
    while (at < end) {
        wchar_t c = commandLine[at];
        if (IsBlank(c) && quotes == 0) {
            words.push_back(word);
            word.clear();
            while (at < end && IsBlank(commandLine[at])) {
                ++at;
            }
            backslashes = 0;
            if (at == end) {
                return words;
            }
        } else if (c == L'\\') {
            word += c;
            ++backslashes;
            ++at;
        } else if (c == L'"') {
            word.resize(word.size() - backslashes / 2);
            if (backslashes % 2 == 0) {
                ++quotes;
            } else {
                word.back() = L'"';
            }
            ++at;
            backslashes = 0;
            while (at < end && commandLine[at] == L'"') {
                if (++quotes == 3) {
                    word += L'"';
                    quotes = 0;
                }
                ++at;
            }
            if (quotes == 2) {
                quotes = 0;
            }
        } else {
            word += c;
            backslashes = 0;
            ++at;
        }
    }
    words.push_back(word);
    return words;
}

} // namespace Converter
