#pragma once
// The character properties that text breaking needs, as ranges of code
// points with one packed value each: bits 0-5 the Line_Break class
// (LineClass), bits 6-9 the Grapheme_Cluster_Break value (GraphemeClass),
// then Extended_Pictographic, East Asian wide (F, W or H), a mark (Mn or Mc)
// and unassigned. UnicodeBreakData.cpp is written by scripts/unicode-break-data.
#include <cstddef>
#include <cstdint>

namespace Document {

enum class LineClass : uint8_t {
    XX, BK, CR, LF, NL, CM, ZWJ, SG, WJ, ZW, GL, SP, B2, BA, BB, HY, CB, CL, CP, EX, IN, NS, OP, QU, IS, NU, PO,
    PR, SY, AI, AL, CJ, EB, EM, H2, H3, HL, ID, JL, JV, JT, RI, SA,
};

enum class GraphemeClass : uint8_t {
    Other, CR, LF, Control, Extend, ZWJ, RegionalIndicator, Prepend, SpacingMark, L, V, T, LV, LVT,
};

struct UnicodeBreakRange {
    char32_t first;
    char32_t last;
    uint32_t value;
};

extern const char* const UnicodeDataVersion;
extern const UnicodeBreakRange UnicodeBreakRanges[];
extern const size_t UnicodeBreakRangeCount;

// The packed value, read through its parts: a struct of separate fields
// would be assembled in memory and read back whole on every call.
struct BreakProperties {
    uint32_t value = 1u << 13;
    LineClass line() const { return static_cast<LineClass>(value & 0x3F); }
    GraphemeClass grapheme() const { return static_cast<GraphemeClass>(value >> 6 & 0xF); }
    bool pictographic() const { return (value >> 10 & 1) != 0; }
    bool eastAsianWide() const { return (value >> 11 & 1) != 0; }
    bool mark() const { return (value >> 12 & 1) != 0; }
    bool unassigned() const { return (value >> 13 & 1) != 0; }
};

BreakProperties BreakPropertiesOf(char32_t codePoint);

} // namespace Document
