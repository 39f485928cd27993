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

struct BreakProperties {
    LineClass line = LineClass::XX;
    GraphemeClass grapheme = GraphemeClass::Other;
    bool pictographic = false;
    bool eastAsianWide = false;
    bool mark = false;
    bool unassigned = false;
};

BreakProperties BreakPropertiesOf(char32_t codePoint);

} // namespace Document
