#include "PrintedJobHeader.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace SignalExchange {

namespace {

constexpr std::string_view Magic = "ArdenfoldPrintedJob 1\r\n";
constexpr std::string_view MarkerKey = "marker ";
constexpr std::string_view RefusedKey = "refused ";

std::string Hex(unsigned long long value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llx", digits, value);
    return text;
}

} // namespace

std::string FormatPrintedJobHeader(const std::optional<MarkerIdentity>& marker, const std::string& refusal)
{
    std::string header(Magic);
    header += MarkerKey;
    if (marker) {
        header += Hex(marker->volume, 8) + " " + Hex(marker->indexHigh, 8) + " " + Hex(marker->indexLow, 8) + " " +
                  Hex(marker->created.dwHighDateTime, 8) + " " + Hex(marker->created.dwLowDateTime, 8) + " " +
                  Hex(marker->written.dwHighDateTime, 8) + " " + Hex(marker->written.dwLowDateTime, 8);
    } else {
        header += "none";
    }
    header += "\r\n";
    if (!refusal.empty()) {
        std::string line = refusal;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(line.begin(), line.end(), '\n', ' ');
        header += std::string(RefusedKey) + line + "\r\n";
    }
    return header + "\r\n";
}

std::optional<PrintedJobHeader> ParsePrintedJobHeader(std::string_view head)
{
    size_t end = head.find("\r\n\r\n");
    if (head.substr(0, Magic.size()) != Magic || end == std::string_view::npos) {
        return std::nullopt;
    }
    PrintedJobHeader header;
    header.bodyOffset = end + 4;
    std::string_view lines = head.substr(Magic.size(), end + 2 - Magic.size());
    bool sawMarker = false;
    while (!lines.empty()) {
        size_t lineEnd = lines.find("\r\n");
        std::string_view line = lines.substr(0, lineEnd);
        lines.remove_prefix(lineEnd + 2);
        if (line.substr(0, MarkerKey.size()) == MarkerKey) {
            std::string value(line.substr(MarkerKey.size()));
            sawMarker = true;
            if (value == "none") {
                continue;
            }
            unsigned long v[7] = {};
            int consumed = 0;
            if (value.size() != 62 ||
                std::sscanf(value.c_str(), "%8lx %8lx %8lx %8lx %8lx %8lx %8lx%n", &v[0], &v[1], &v[2], &v[3], &v[4],
                            &v[5], &v[6], &consumed) != 7 ||
                consumed != 62) {
                return std::nullopt;
            }
            header.marker = MarkerIdentity{v[0], v[1], v[2], FILETIME{v[4], v[3]}, FILETIME{v[6], v[5]}};
        } else if (line.substr(0, RefusedKey.size()) == RefusedKey) {
            std::string_view reason = line.substr(RefusedKey.size());
            int length = ::MultiByteToWideChar(CP_UTF8, 0, reason.data(), static_cast<int>(reason.size()), nullptr, 0);
            header.refusal.resize(length);
            ::MultiByteToWideChar(CP_UTF8, 0, reason.data(), static_cast<int>(reason.size()), header.refusal.data(),
                                  length);
            if (header.refusal.empty()) {
                header.refusal = L"The printer's port refused the job.";
            }
        } else {
            return std::nullopt;
        }
    }
    return sawMarker ? std::optional(header) : std::nullopt;
}

} // namespace SignalExchange
