#include "LineBreak.h"

#include "UnicodeBreakData.h"

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

} // namespace

std::vector<bool> LineBreakOpportunities(const std::u32string& text)
{
    size_t n = text.size();
    std::vector<bool> breaks(n + 1, false);
    breaks[n] = n > 0;
    if (n == 0) {
        return breaks;
    }
    std::vector<BreakProperties> properties(n);
    std::vector<L> raw(n);
    // A combining mark takes the class of the character it follows, and
    // the whole is one unit; `unit` is where a character's unit begins.
    std::vector<L> cls(n);
    std::vector<size_t> unit(n);
    for (size_t i = 0; i < n; ++i) {
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
    // The class of the last unit before `i` that is not a space.
    auto beforeSpaces = [&](size_t i) {
        size_t j = i;
        while (j > 0 && cls[j - 1] == L::SP) {
            --j;
        }
        return j == 0 ? L::XX : cls[j - 1];
    };

    Number number = Number::None;
    size_t indicators = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0) {
            L before = cls[i - 1];
            L after = cls[i];
            L rawBefore = raw[i - 1];
            bool split;
            // Two letters in a row, the most common pair by far, are never
            // parted (no earlier rule applies to them).
            if (Is(before, L::AL, L::HL) && Is(after, L::AL, L::HL) && unit[i] == i && rawBefore != L::ZWJ) {
                split = false;
            } else if (rawBefore == L::BK) {
                split = true;
            } else if (rawBefore == L::CR && raw[i] == L::LF) {
                split = false;
            } else if (Is(rawBefore, L::CR, L::LF, L::NL)) {
                split = true;
            } else if (Is(raw[i], L::BK, L::CR, L::LF, L::NL, L::SP, L::ZW)) {
                split = false;
            } else if (beforeSpaces(i) == L::ZW) {
                split = true;
            } else if (rawBefore == L::ZWJ || unit[i] != i) {
                split = false;
            } else if (before == L::WJ || after == L::WJ || before == L::GL) {
                split = false;
            } else if (after == L::GL && !Is(before, L::SP, L::BA, L::HY)) {
                split = false;
            } else if (Is(after, L::CL, L::CP, L::EX, L::IS, L::SY)) {
                split = false;
            } else if (beforeSpaces(i) == L::OP) {
                split = false;
            } else if (after == L::OP && beforeSpaces(i) == L::QU) {
                split = false;
            } else if (after == L::NS && Is(beforeSpaces(i), L::CL, L::CP)) {
                split = false;
            } else if (after == L::B2 && beforeSpaces(i) == L::B2) {
                split = false;
            } else if (before == L::SP) {
                split = true;
            } else if (after == L::QU || before == L::QU) {
                split = false;
            } else if (after == L::CB || before == L::CB) {
                split = true;
            } else if (Is(after, L::BA, L::HY, L::NS) || before == L::BB) {
                split = false;
            } else if (Is(before, L::HY, L::BA) && unit[i - 1] > 0 && cls[unit[i - 1] - 1] == L::HL) {
                split = false;
            } else if (before == L::SY && after == L::HL) {
                split = false;
            } else if (after == L::IN) {
                split = false;
            } else if ((Is(before, L::AL, L::HL) && after == L::NU) || (before == L::NU && Is(after, L::AL, L::HL))) {
                split = false;
            } else if ((before == L::PR && Is(after, L::ID, L::EB, L::EM)) || (Is(before, L::ID, L::EB, L::EM) && after == L::PO)) {
                split = false;
            } else if ((Is(before, L::PR, L::PO) && Is(after, L::AL, L::HL)) || (Is(before, L::AL, L::HL) && Is(after, L::PR, L::PO))) {
                split = false;
            } else if (Is(before, L::PR, L::PO) && after == L::NU) {
                split = false;
            } else if (Is(before, L::PR, L::PO) && Is(after, L::OP, L::HY)) {
                size_t next = i + 1;
                while (next < n && unit[next] == i) {
                    ++next;
                }
                split = !(next < n && cls[next] == L::NU);
            } else if (Is(before, L::OP, L::HY) && after == L::NU) {
                split = false;
            } else if (number == Number::Digits && Is(after, L::NU, L::SY, L::IS, L::CL, L::CP)) {
                split = false;
            } else if (number != Number::None && Is(after, L::PO, L::PR)) {
                split = false;
            } else if ((before == L::JL && Is(after, L::JL, L::JV, L::H2, L::H3)) ||
                       (Is(before, L::JV, L::H2) && Is(after, L::JV, L::JT)) ||
                       (Is(before, L::JT, L::H3) && after == L::JT)) {
                split = false;
            } else if ((Is(before, L::JL, L::JV, L::JT, L::H2, L::H3) && after == L::PO) ||
                       (before == L::PR && Is(after, L::JL, L::JV, L::JT, L::H2, L::H3))) {
                split = false;
            } else if (Is(before, L::AL, L::HL) && Is(after, L::AL, L::HL)) {
                split = false;
            } else if (before == L::IS && Is(after, L::AL, L::HL)) {
                split = false;
            } else if (Is(before, L::AL, L::HL, L::NU) && after == L::OP && !properties[i].eastAsianWide()) {
                split = false;
            } else if (before == L::CP && !properties[unit[i - 1]].eastAsianWide() && Is(after, L::AL, L::HL, L::NU)) {
                split = false;
            } else if (before == L::RI && after == L::RI) {
                split = indicators % 2 == 0;
            } else if (after == L::EM && (before == L::EB || (properties[unit[i - 1]].pictographic() &&
                                                              properties[unit[i - 1]].unassigned()))) {
                split = false;
            } else {
                split = true;
            }
            breaks[i] = split;
        }
        if (unit[i] != i) {
            continue;
        }
        L now = cls[i];
        if (now == L::NU) {
            number = Number::Digits;
        } else if (number == Number::Digits && Is(now, L::SY, L::IS)) {
            number = Number::Digits;
        } else if (number == Number::Digits && Is(now, L::CL, L::CP)) {
            number = Number::Closed;
        } else {
            number = Number::None;
        }
        indicators = now == L::RI ? indicators + 1 : 0;
    }
    return breaks;
}

} // namespace Document
