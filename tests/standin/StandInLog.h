#pragma once
// The record that each run of the stand-in appends to its log, and the
// tests' reader of it. One record per run:
//
//   [run]
//   role=clear-cache | print | converter
//   commandline=<GetCommandLineA, exactly>
//   startup=<dwFlags in hex> <wShowWindow>
//   signalpath=<where it looked for the signal file>
//   signal=absent | folder | unreadable | hex:<the file's bytes in hex>
//   [end]
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace StandIn {

struct RunRecord {
    std::string role;
    std::string commandLine;
    DWORD startupFlags = 0;
    WORD showWindow = 0;
    std::string signalPath;
    std::string signalState;           // "absent", "folder", "unreadable" or "bytes"
    std::string signalBytes;           // when signalState is "bytes"

    bool SignalAbsent() const { return signalState == "absent"; }
    bool SignalHolds(const std::string& bytes) const { return signalState == "bytes" && signalBytes == bytes; }
};

std::string FormatRecord(const RunRecord& record);

// Every complete record in the log, in order; none when there is no log.
std::vector<RunRecord> ReadLog(const std::string& path);

// The roles of the records, in order, joined by commas ("clear-cache,print,...").
std::string Roles(const std::vector<RunRecord>& records);

} // namespace StandIn
