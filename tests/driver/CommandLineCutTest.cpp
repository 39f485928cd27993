#include "CommandLineCut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>

using namespace Ardenfold_API;

namespace {

const std::wstring ExpectedForm = L"{print command} {output file}";

// The rule restated in the terms it is defined in: 1-based positions, 0 for
// a brace that is absent, substrings that run short at the end of the text.
// nullopt where the line goes to the trap.
std::optional<CommandLineParts> ReferenceCut(const std::wstring& t)
{
    auto position = [](const std::wstring& s, wchar_t brace) {
        size_t found = s.find(brace);
        return found == std::wstring::npos ? 0L : static_cast<long>(found) + 1;
    };
    auto substring = [](const std::wstring& s, long p, long n) {
        return p > static_cast<long>(s.size()) ? std::wstring() : s.substr(p - 1, n);
    };
    auto trimSpaces = [](std::wstring s) {
        while (!s.empty() && s.front() == L' ') {
            s.erase(0, 1);
        }
        while (!s.empty() && s.back() == L' ') {
            s.pop_back();
        }
        return s;
    };

    long a = position(t, L'{');
    long c = position(t, L'}');
    if (c - 2 < 0) {
        return std::nullopt;
    }
    std::wstring print = substring(t, a + 1, c - 2);
    long k = static_cast<long>(t.size()) - (static_cast<long>(print.size()) + 2);
    std::wstring rest = trimSpaces(t.substr(t.size() - k));
    long c2 = position(rest, L'}');
    if (c2 - 2 < 0) {
        return std::nullopt;
    }
    std::wstring output = substring(rest, a + 1, c2 - 2);
    if (!print.empty() && (t[0] != L'{' || (!output.empty() && rest[0] != L'{'))) {
        return std::nullopt;
    }
    return CommandLineParts{print, output};
}

// The cut exactly as its arithmetic is defined, with no refusal of its own:
// 32-bit positions counted from 1, 0 for an absent brace, substrings that run
// short or come out empty past the end, and the invalid-argument error (the
// trap, nullopt here) on a negative length.
struct LiteralParts {
    std::wstring print;
    std::wstring rest;
    std::wstring output;
};

struct NegativeLength {};

int32_t Position(const std::wstring& s, wchar_t brace)
{
    size_t found = s.find(brace);
    return found == std::wstring::npos ? 0 : static_cast<int32_t>(found) + 1;
}

std::wstring Substring(const std::wstring& s, int32_t p, int32_t n)
{
    if (n < 0) {
        throw NegativeLength{};
    }
    return p > static_cast<int32_t>(s.size()) ? std::wstring() : s.substr(static_cast<size_t>(p) - 1, static_cast<size_t>(n));
}

std::wstring LastCharacters(const std::wstring& s, int32_t k)
{
    if (k < 0) {
        throw NegativeLength{};
    }
    return s.substr(s.size() - std::min(static_cast<size_t>(k), s.size()));
}

std::optional<LiteralParts> LiteralCut(const std::wstring& t)
{
    try {
        int32_t a = Position(t, L'{');
        int32_t c = Position(t, L'}');
        LiteralParts parts;
        parts.print = Substring(t, a + 1, c - 2);
        int32_t k = static_cast<int32_t>(t.size()) - (static_cast<int32_t>(parts.print.size()) + 2);
        parts.rest = TrimBlanks(LastCharacters(t, k));
        int32_t c2 = Position(parts.rest, L'}');
        parts.output = Substring(parts.rest, a + 1, c2 - 2);
        return parts;
    } catch (NegativeLength) {
        return std::nullopt;
    }
}

// The only places where CutCommandLine may depart from the arithmetic: the
// refusals that the README's "The command line" lists, each of which stops a
// run whose parts would be shifted. Null where no refusal is listed.
const char* ListedRefusal(const std::wstring& line, const LiteralParts& literal)
{
    if (literal.print.empty()) {
        return nullptr; // "Invalid Print Command in Command Line." comes first
    }
    if (line[0] != L'{') {
        return "text before the first {";
    }
    if (!literal.output.empty() && literal.rest[0] != L'{') {
        return "text between the groups";
    }
    return nullptr;
}

} // namespace

TEST(CommandLineCutTest, EachKindOfLine)
{
    enum Outcome { Parts, Trap, Unexpected };
    struct Case {
        std::wstring line;
        Outcome outcome;
        std::wstring print = {};                 // Parts
        std::optional<std::wstring> output = {}; // Parts; nullopt: not looked at
        std::wstring unexpected = {};            // Unexpected: the text the description names
    } cases[] = {
        // Two groups: the text between their own braces, no box.
        {L"{a} {b}", Parts, L"a", L"b"},
        {L"{a}{b}", Parts, L"a", L"b"},
        {L"{a}   {b}", Parts, L"a", L"b"},
        {L"{a} {b} tail", Parts, L"a", L"b"},
        {L"{a} {b} trailing text {x}", Parts, L"a", L"b"},
        {L"{ print } { out.pdf }", Parts, L" print ", L" out.pdf "},
        {L"{\"C:\\Program Files\\p.exe\" /p \"a b.txt\"} {C:\\out dir\\a.pdf}", Parts,
         L"\"C:\\Program Files\\p.exe\" /p \"a b.txt\"", L"C:\\out dir\\a.pdf"},
        {L"{a{b} {c{d}", Parts, L"a{b", L"c{d"},
        {L"{\u00e9\u4e00} {\u20ac}", Parts, L"\u00e9\u4e00", L"\u20ac"},
        // The trap: a length would be negative.
        {L"}{a} {b}", Trap},
        {L"{a}}{b}", Trap},
        {L"{a}  }{b}", Trap},
        {L"{a}", Trap},
        {L"{a} {b", Trap},
        {L"abc", Trap},
        {L"{print", Trap},
        {L"}", Trap},
        {L"{print} out", Trap},
        {L"{", Trap},
        {L"xy}{", Trap},
        // An empty print command ("Invalid Print Command in Command Line.").
        {L"{}{b}", Parts, L"", std::nullopt},
        {L"x}{a} {b}", Parts, L"", std::nullopt},
        {L"{}{}", Parts, L"", std::nullopt},
        {L"xyz}{", Parts, L"", std::nullopt},
        // An empty output path ("invalid Output File Path in Command Line."), then the conversion.
        {L"{a}{}", Parts, L"a", L""},
        {L"{a x}y} {b}", Parts, L"a x", L""},
        {L"{a} x}", Parts, L"a", L""},
        // Both parts non-empty but shifted: the trap names what is in the way.
        {L"{a} junk {b}", Unexpected, L"", std::nullopt, L"junk"},
        {L"{a}xy} {b}", Unexpected, L"", std::nullopt, L"xy}"},
        {L"\t{a}\t{b}\t", Unexpected, L"", std::nullopt, L"\t"}, // a tab is not a space
        // Text before the first "{" is never skipped.
        {L"x{a} {b}", Unexpected, L"", std::nullopt, L"x"},
        {L"xy}{a} {b}", Unexpected, L"", std::nullopt, L"xy}"},
        {L"abc}  x}", Unexpected, L"", std::nullopt, L"abc}  x}"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << i << ": " << c.line);
        try {
            CommandLineParts parts = CutCommandLine(c.line);
            ASSERT_EQ(c.outcome, Parts) << "no error";
            EXPECT_EQ(parts.PrintCommand, c.print);
            if (c.output) {
                EXPECT_EQ(parts.OutputPath, *c.output);
            }
        } catch (const CommandLineError& error) {
            ASSERT_NE(c.outcome, Parts) << "refused";
            EXPECT_NE(error.Description().find(ExpectedForm), std::wstring::npos);
            if (c.outcome == Unexpected) {
                EXPECT_NE(error.Description().find(L"\"" + c.unexpected + L"\""), std::wstring::npos);
            }
        }
    }
}

TEST(CommandLineCutTest, LongParts)
{
    std::wstring print(20000, L'p');
    std::wstring output(10000, L'o');
    CommandLineParts parts = CutCommandLine(L"{" + print + L"} {" + output + L"}");
    EXPECT_EQ(parts.PrintCommand, print);
    EXPECT_EQ(parts.OutputPath, output);
}

TEST(CommandLineCutTest, GeneratedLinesAgreeWithTheReference)
{
    // Small alphabets make braces, blanks and quotes collide often.
    const std::wstring alphabet = L"{}{} \t\"\\ab\u00e9\u4e00}{";
    std::mt19937 random(20261207);
    for (int i = 0; i < 100000; ++i) {
        size_t length = random() % 24;
        if (i % 1000 == 0) {
            length = 5000 + random() % 30000;
        }
        std::wstring line;
        for (size_t k = 0; k < length; ++k) {
            line += alphabet[random() % alphabet.size()];
        }
        std::optional<CommandLineParts> expected = ReferenceCut(line);
        std::optional<LiteralParts> literal = LiteralCut(line);
        std::optional<CommandLineParts> parts;
        try {
            parts = CutCommandLine(line);
        } catch (const CommandLineError& error) {
            ASSERT_NE(error.Description().find(ExpectedForm), std::wstring::npos) << i;
        }
        ASSERT_EQ(parts.has_value(), expected.has_value()) << "line " << i;
        if (parts) {
            ASSERT_EQ(parts->PrintCommand, expected->PrintCommand) << i;
            ASSERT_EQ(parts->OutputPath, expected->OutputPath) << i;
        }
        // Against the arithmetic itself: the same parts, the same trap, or a
        // refusal that the README lists.
        if (parts) {
            ASSERT_TRUE(literal.has_value()) << "line " << i << " should go to the trap";
            ASSERT_EQ(parts->PrintCommand, literal->print) << i;
            ASSERT_EQ(parts->OutputPath, literal->output) << i;
        } else if (literal) {
            ASSERT_NE(ListedRefusal(line, *literal), nullptr) << "line " << i << " refused, but no refusal is listed";
        }
    }
}

TEST(CommandLineCutTest, TrimBlanksRemovesSpacesOnly)
{
    EXPECT_EQ(TrimBlanks(L"   "), L"");
    EXPECT_EQ(TrimBlanks(L""), L"");
    EXPECT_EQ(TrimBlanks(L"  {a} {b}  "), L"{a} {b}");
    EXPECT_EQ(TrimBlanks(L" \t{a}\t "), L"\t{a}\t");
}

// A "}" in a document's path ends the print command early: the refusal says
// that a path cannot hold one; other unexpected text is named as it is.
TEST(CommandLineCutTest, ABraceInAPathIsNamedAsTheCause)
{
    const struct {
        std::wstring line;
        bool braceNamed;
    } cases[] = {
        {L"{\"C:\\p.exe\" /PrintFile \"C:\\Docs\\a}b.txt\"} {C:\\out.pdf}", true},
        {L"{p.exe /PrintFile C:\\x}\\a.txt} {C:\\out.pdf}", true},
        {L"{a} junk {b}", false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        try {
            CutCommandLine(cases[i].line);
            ADD_FAILURE() << "not refused";
        } catch (const CommandLineError& error) {
            EXPECT_EQ(error.Description().find(L"\"}\" cannot stand in a path") != std::wstring::npos,
                      cases[i].braceNamed);
            EXPECT_NE(error.Description().find(ExpectedForm), std::wstring::npos);
        }
    }
}
