#include "PartialFile.h"

#include "AnsiText.h"
#include "Error.h"
#include "Handle.h"
#include "NoFollow.h"

#include <cstdio>

namespace SignalExchange {

using namespace Global;

namespace {

constexpr wchar_t PartialInfix[] = L".PDFCreator-";
constexpr wchar_t PartialSuffix[] = L".partial";
constexpr size_t MarkerDigits = 16;

} // namespace

std::wstring PartialFileName(const std::wstring& outputName, DWORD processId, unsigned long long marker)
{
    wchar_t digits[MarkerDigits + 1];
    std::swprintf(digits, std::size(digits), L"%016llx", marker);
    return outputName + PartialInfix + std::to_wstring(processId) + L"-" + digits + PartialSuffix;
}

std::optional<DWORD> PartialFileOwner(const std::wstring& fileName, const std::wstring& outputName)
{
    const std::wstring infix = PartialInfix;
    const std::wstring suffix = PartialSuffix;
    const size_t tail = 1 + MarkerDigits + suffix.size(); // "-<marker>.partial"
    size_t head = outputName.size() + infix.size();
    if (fileName.size() <= head + tail ||
        ::lstrcmpiW(fileName.substr(0, head).c_str(), (outputName + infix).c_str()) != 0 ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    std::wstring marker = fileName.substr(fileName.size() - tail, 1 + MarkerDigits);
    if (marker[0] != L'-' || marker.find_first_not_of(L"0123456789abcdef", 1) != std::wstring::npos) {
        return std::nullopt;
    }
    std::wstring digits = fileName.substr(head, fileName.size() - head - tail);
    if (digits.size() > 10 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    unsigned long long id = std::stoull(digits);
    // Written by std::to_wstring: no leading zero, no value past a DWORD.
    if (id > 0xFFFFFFFFull || std::to_wstring(id) != digits) {
        return std::nullopt;
    }
    return static_cast<DWORD>(id);
}

void RemovePartialFiles(const std::string& folder, const std::wstring& outputName,
                        const std::function<bool(DWORD processId)>& ownerGone)
{
    std::string pattern = folder + ToAnsi(outputName + PartialInfix) + "*" + ToAnsi(PartialSuffix);
    WIN32_FIND_DATAA found{};
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        return;
    }
    do {
        // The pattern also matches short (8.3) names and longer tails: the
        // long name itself must be of the exact form. A link or a folder is
        // never one of ours.
        std::optional<DWORD> owner = PartialFileOwner(FromAnsi(found.cFileName), outputName);
        if (owner && !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            ownerGone(*owner)) {
            try {
                DeleteFileNoFollow(FromAnsi(folder + found.cFileName));
            } catch (const Error&) {
                // Held by a writer that still runs, or replaced meanwhile: it stays.
            }
        }
    } while (::FindNextFileA(search.Get(), &found));
}

} // namespace SignalExchange
