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

bool TakeValue(const std::string& line, const std::string& key, std::string& value)
{
    if (line.compare(0, key.size() + 1, key + "=") != 0) {
        return false;
    }
    value = line.substr(key.size() + 1);
    return true;
}

} // namespace

std::string FormatRecord(const RunRecord& record)
{
    char startup[32];
    std::snprintf(startup, sizeof startup, "%08lx %u", static_cast<unsigned long>(record.startupFlags),
                  static_cast<unsigned>(record.showWindow));
    std::string signal = record.signalState == "bytes" ? "hex:" + ToHex(record.signalBytes) : record.signalState;
    return "[run]\r\nrole=" + record.role + "\r\ncommandline=" + record.commandLine + "\r\nstartup=" + startup +
           "\r\nfolder=" + record.currentFolder + "\r\nsignalpath=" + record.signalPath + "\r\nsignal=" + signal + "\r\n[end]\r\n";
}

std::vector<RunRecord> ReadLog(const std::string& path)
{
    std::vector<RunRecord> records;
    std::ifstream log(path, std::ios::binary);
    RunRecord current;
    std::string line;
    std::string value;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line == "[run]") {
            current = RunRecord{};
        } else if (line == "[end]") {
            records.push_back(current);
        } else if (TakeValue(line, "role", value)) {
            current.role = value;
        } else if (TakeValue(line, "commandline", value)) {
            current.commandLine = value;
        } else if (TakeValue(line, "startup", value)) {
            std::istringstream fields(value);
            unsigned show = 0;
            fields >> std::hex >> current.startupFlags >> std::dec >> show;
            current.showWindow = static_cast<WORD>(show);
        } else if (TakeValue(line, "folder", value)) {
            current.currentFolder = value;
        } else if (TakeValue(line, "signalpath", value)) {
            current.signalPath = value;
        } else if (TakeValue(line, "signal", value)) {
            if (value.compare(0, 4, "hex:") == 0) {
                current.signalState = "bytes";
                current.signalBytes = FromHex(value.substr(4));
            } else {
                current.signalState = value;
            }
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
