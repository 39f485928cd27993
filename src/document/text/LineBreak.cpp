#include "LineBreak.h"

#include "UnicodeBreakData.h"

#include <optional>

namespace Document {
namespace {

using L = LineClass;

template <typename... Classes>
bool Is(L value, Classes... classes)
{
    return ((value == classes) || ...);
}

// Ambiguous, surrogate and unknown characters are alphabetic; the letters
// of the scripts without spaces are too, and their marks combine;
// conditional Japanese starters are non-starters.
L Resolved(const BreakProperties& properties)
{
    switch (properties.line()) {
    case L::AI:
    case L::SG:
    case L::XX:
        return L::AL;
    case L::SA:
        return properties.mark() ? L::CM : L::AL;
    case L::CJ:
        return L::NS;
    default:
        return properties.line();
    }
}

// The state of a number run: NU (NU | SY | IS)*, then perhaps CL or CP.
enum class Number { None, Digits, Closed };

// The line's characters by their classes. A combining mark takes the class
// of the character it follows, and the whole is one unit; `unit` is where a
// character's unit begins.
struct Units {
    std::vector<BreakProperties> properties;
    std::vector<L> raw;
    std::vector<L> cls;
    std::vector<size_t> unit;

    explicit Units(const std::u32string& text)
        : properties(text.size()), raw(text.size()), cls(text.size()), unit(text.size())
    {
        for (size_t i = 0; i < text.size(); ++i) {
            properties[i] = BreakPropertiesOf(text[i]);
            raw[i] = Resolved(properties[i]);
            if (Is(raw[i], L::CM, L::ZWJ) && i > 0 && !Is(cls[i - 1], L::BK, L::CR, L::LF, L::NL, L::SP, L::ZW)) {
                cls[i] = cls[i - 1];
                unit[i] = unit[i - 1];
            } else {
                cls[i] = Is(raw[i], L::CM, L::ZWJ) ? L::AL : raw[i];
                unit[i] = i;
            }
        }
    }

    // The class of the last unit before `i` that is not a space.
    L BeforeSpaces(size_t i) const
    {
        size_t j = i;
        while (j > 0 && cls[j - 1] == L::SP) {
            --j;
        }
        return j == 0 ? L::XX : cls[j - 1];
    }
};

// The rules of line ends, spaces, joiners and glue, up to a break after
// spaces; nullopt when none of them decides.
std::optional<bool> ByEndsAndSpaces(const Units& units, size_t i)
{
    const auto& [properties, raw, cls, unit] = units;
    L before = cls[i - 1];
    L after = cls[i];
    L rawBefore = raw[i - 1];
    auto beforeSpaces = [&](size_t k) { return units.BeforeSpaces(k); };
    // Two letters in a row, the most common pair by far, are never
    // parted (no earlier rule applies to them).
    if (Is(before, L::AL, L::HL) && Is(after, L::AL, L::HL) && unit[i] == i && rawBefore != L::ZWJ) {
        return false;
    } else if (rawBefore == L::BK) {
        return true;
    } else if (rawBefore == L::CR && raw[i] == L::LF) {
        return false;
    } else if (Is(rawBefore, L::CR, L::LF, L::NL)) {
        return true;
    } else if (Is(raw[i], L::BK, L::CR, L::LF, L::NL, L::SP, L::ZW)) {
        return false;
    } else if (beforeSpaces(i) == L::ZW) {
        return true;
    } else if (rawBefore == L::ZWJ || unit[i] != i) {
        return false;
    } else if (before == L::WJ || after == L::WJ || before == L::GL) {
        return false;
    } else if (after == L::GL && !Is(before, L::SP, L::BA, L::HY)) {
        return false;
    } else if (Is(after, L::CL, L::CP, L::EX, L::IS, L::SY)) {
        return false;
    } else if (beforeSpaces(i) == L::OP) {
        return false;
    } else if (after == L::OP && beforeSpaces(i) == L::QU) {
        return false;
    } else if (after == L::NS && Is(beforeSpaces(i), L::CL, L::CP)) {
        return false;
    } else if (after == L::B2 && beforeSpaces(i) == L::B2) {
        return false;
    } else if (before == L::SP) {
        return true;
    } else {
        return std::nullopt;
    }
}

// The rules between the classes of two units, for a pair no earlier rule
// decided: punctuation, numbers, Korean syllables, regional indicators.
bool ByClasses(const Units& units, size_t i, Number number, size_t indicators)
{
    const auto& [properties, raw, cls, unit] = units;
    const size_t n = cls.size();
    L before = cls[i - 1];
    L after = cls[i];
    if (after == L::QU || before == L::QU) {
        return false;
    } else if (after == L::CB || before == L::CB) {
        return true;
    } else if (Is(after, L::BA, L::HY, L::NS) || before == L::BB) {
        return false;
    } else if (Is(before, L::HY, L::BA) && unit[i - 1] > 0 && cls[unit[i - 1] - 1] == L::HL) {
        return false;
    } else if (before == L::SY && after == L::HL) {
        return false;
    } else if (after == L::IN) {
        return false;
    } else if ((Is(before, L::AL, L::HL) && after == L::NU) || (before == L::NU && Is(after, L::AL, L::HL))) {
        return false;
    } else if ((before == L::PR && Is(after, L::ID, L::EB, L::EM)) || (Is(before, L::ID, L::EB, L::EM) && after == L::PO)) {
        return false;
    } else if ((Is(before, L::PR, L::PO) && Is(after, L::AL, L::HL)) || (Is(before, L::AL, L::HL) && Is(after, L::PR, L::PO))) {
        return false;
    } else if (Is(before, L::PR, L::PO) && after == L::NU) {
        return false;
    } else if (Is(before, L::PR, L::PO) && Is(after, L::OP, L::HY)) {
        size_t next = i + 1;
        while (next < n && unit[next] == i) {
            ++next;
        }
        return !(next < n && cls[next] == L::NU);
    } else if (Is(before, L::OP, L::HY) && after == L::NU) {
        return false;
    } else if (number == Number::Digits && Is(after, L::NU, L::SY, L::IS, L::CL, L::CP)) {
        return false;
    } else if (number != Number::None && Is(after, L::PO, L::PR)) {
        return false;
    } else if ((before == L::JL && Is(after, L::JL, L::JV, L::H2, L::H3)) ||
               (Is(before, L::JV, L::H2) && Is(after, L::JV, L::JT)) ||
               (Is(before, L::JT, L::H3) && after == L::JT)) {
        return false;
    } else if ((Is(before, L::JL, L::JV, L::JT, L::H2, L::H3) && after == L::PO) ||
               (before == L::PR && Is(after, L::JL, L::JV, L::JT, L::H2, L::H3))) {
        return false;
    } else if (Is(before, L::AL, L::HL) && Is(after, L::AL, L::HL)) {
        return false;
    } else if (before == L::IS && Is(after, L::AL, L::HL)) {
        return false;
    } else if (Is(before, L::AL, L::HL, L::NU) && after == L::OP && !properties[i].eastAsianWide()) {
        return false;
    } else if (before == L::CP && !properties[unit[i - 1]].eastAsianWide() && Is(after, L::AL, L::HL, L::NU)) {
        return false;
    } else if (before == L::RI && after == L::RI) {
        return indicators % 2 == 0;
    } else if (after == L::EM && (before == L::EB || (properties[unit[i - 1]].pictographic() &&
                                                      properties[unit[i - 1]].unassigned()))) {
        return false;
    } else {
        return true;
    }
}

Number AfterUnit(Number number, L now)
{
    if (now == L::NU) {
        return Number::Digits;
    }
    if (number == Number::Digits && Is(now, L::SY, L::IS)) {
        return Number::Digits;
    }
    if (number == Number::Digits && Is(now, L::CL, L::CP)) {
        return Number::Closed;
    }
    return Number::None;
}

} // namespace

std::vector<bool> LineBreakOpportunities(const std::u32string& text)
{
    size_t n = text.size();
    std::vector<bool> breaks(n + 1, false);
    breaks[n] = n > 0;
    if (n == 0) {
        return breaks;
    }
    const Units units(text);
    Number number = Number::None;
    size_t indicators = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) {
            std::optional<bool> split = ByEndsAndSpaces(units, i);
            breaks[i] = split ? *split : ByClasses(units, i, number, indicators);
        }
        if (units.unit[i] != i) {
            continue;
        }
        number = AfterUnit(number, units.cls[i]);
        indicators = units.cls[i] == L::RI ? indicators + 1 : 0;
    }
    return breaks;
}

} // namespace Document
