#include "StandInLog.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace StandIn {

namespace {

std::string ToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    return bytes;
}

} // namespace

std::string FormatRecord(const RunRecord& record)
{
    char startup[32];
    std::snprintf(startup, sizeof startup, "%08lx %u", static_cast<unsigned long>(record.startupFlags),
                  static_cast<unsigned>(record.showWindow));
    std::string signal = record.signalState == "bytes" ? "hex:" + ToHex(record.signalBytes) : record.signalState;
    return "[run]\r\nrole=" + record.role + "\r\ncommandline=" + record.commandLine + "\r\nstartup=" + startup +
           "\r\nsignalpath=" + record.signalPath + "\r\nsignal=" + signal + "\r\n[end]\r\n";
}

std::vector<RunRecord> ReadLog(const std::string& path)
{
    std::vector<RunRecord> records;
    std::ifstream log(path, std::ios::binary);
    RunRecord current;
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t equals = line.find('=');
        std::string key = line.substr(0, equals);
        std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (line == "[run]") {
            current = RunRecord{};
        } else if (line == "[end]") {
            records.push_back(current);
        } else if (key == "role") {
            current.role = value;
        } else if (key == "commandline") {
            current.commandLine = value;
        } else if (key == "startup") {
            std::istringstream fields(value);
            unsigned show = 0;
            fields >> std::hex >> current.startupFlags >> std::dec >> show;
            current.showWindow = static_cast<WORD>(show);
        } else if (key == "signalpath") {
            current.signalPath = value;
        } else if (key == "signal") {
            bool bytes = value.compare(0, 4, "hex:") == 0;
            current.signalState = bytes ? "bytes" : value;
            current.signalBytes = bytes ? FromHex(value.substr(4)) : std::string();
        }
    }
    return records;
}

std::string Roles(const std::vector<RunRecord>& records)
{
    std::string roles;
    for (const RunRecord& record : records) {
        roles += (roles.empty() ? "" : ",") + record.role;
    }
    return roles;
}

} // namespace StandIn
