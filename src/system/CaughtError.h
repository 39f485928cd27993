#pragma once
// What a program's error trap caught, as one of the few kinds that each
// program's table of exit codes has a row for. Each program keeps its own
// table (the codes differ), and none writes the catch clauses again.
#include <string>

namespace Global {

enum class CaughtKind {
    Error,       // Global::Error or one derived from it: its description
    OutOfMemory, // std::bad_alloc
    Standard,    // any other std::exception
    Unknown,     // anything else thrown
};

struct Caught {
    CaughtKind kind;
    std::wstring description; // "Unexpected error: <what>" or "Unexpected error." unless an Error's own
};

// Only inside a catch block: the exception in flight, described. Throws
// std::bad_alloc only when not even the description fits in memory.
Caught DescribeCurrentException();

} // namespace Global
