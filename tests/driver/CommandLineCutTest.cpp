#include "CommandLineCut.h"
#include "LauncherQuoting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>

using namespace Ardenfold_API;

namespace {

const std::wstring ExpectedForm = L"{print command} {output file}";

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

// What the command line's documentation (the README and
// docs/command-line.md) promises for a line, taken from there and from the
// arithmetic alone, never from the cut's own code: the cut must hand on the
// arithmetic's parts, or go to the trap where the arithmetic does, or give
// one of the refusals listed there, each where its wording says.
struct Promise {
    enum Kind { Trap, Parts, Unexpected } kind;
    CommandLineParts parts = {}; // Parts
    std::wstring named = {};     // Unexpected: the text the box names
};

Promise PromisedOutcome(const std::wstring& line)
{
    // "No `}` at all, a `}` as the first character, or nothing after the
    // first `}` (spaces aside) that ends in a `}` of its own": a length of
    // the arithmetic goes negative.
    std::optional<LiteralParts> literal = LiteralCut(line);
    if (!literal) {
        return {Promise::Trap};
    }
    // "An empty print command": reported by the caller, whatever the output path.
    if (literal->print.empty()) {
        return {Promise::Parts, {literal->print, literal->output}};
    }
    // "Text before the first `{` ... (or a line without `{`)".
    size_t open = line.find(L'{');
    if (open != 0) {
        return {Promise::Unexpected, {}, line.substr(0, open)};
    }
    // The groups as the README reads them: the print command between the
    // first "{" and the first "}", then spaces or nothing, then the output
    // path between "{" and the next "}".
    size_t close = line.find(L'}');
    std::wstring after = line.substr(close + 1);
    after = after.substr(std::min(after.find_first_not_of(L' '), after.size()));
    after = after.substr(0, after.find_last_not_of(L' ') + 1);
    std::wstring print = line.substr(1, close - 1);
    // "An empty output path: after the first `}` and any spaces come one
    // character and a `}`", which the refusal of text between the groups
    // leaves to this case.
    if (after.size() >= 2 && after[1] == L'}') {
        return {Promise::Parts, {print, L""}};
    }
    // "Text between the groups": what stands between the first "}" and the
    // next "{", spaces aside.
    if (after.empty() || after[0] != L'{') {
        std::wstring between = after.substr(0, after.find(L'{'));
        return {Promise::Unexpected, {}, between.substr(0, between.find_last_not_of(L' ') + 1)};
    }
    return {Promise::Parts, {print, after.substr(1, after.find(L'}') - 1)}};
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
        const Promise promise = PromisedOutcome(line);
        std::optional<CommandLineParts> parts;
        std::wstring description;
        try {
            parts = CutCommandLine(line);
        } catch (const CommandLineError& error) {
            description = error.Description();
            ASSERT_NE(description.find(ExpectedForm), std::wstring::npos) << i;
        }
        switch (promise.kind) {
        case Promise::Trap:
            ASSERT_FALSE(parts.has_value()) << "line " << i << " should go to the trap";
            break;
        case Promise::Parts: {
            ASSERT_TRUE(parts.has_value()) << "line " << i << " refused, but no refusal is listed";
            ASSERT_EQ(parts->PrintCommand, promise.parts.PrintCommand) << i;
            ASSERT_EQ(parts->OutputPath, promise.parts.OutputPath) << i;
            // The README's reading of the groups and the arithmetic agree
            // wherever a line is not refused.
            std::optional<LiteralParts> literal = LiteralCut(line);
            ASSERT_TRUE(literal.has_value()) << i;
            ASSERT_EQ(literal->print, promise.parts.PrintCommand) << i;
            ASSERT_EQ(literal->output, promise.parts.OutputPath) << i;
            // A line that is taken as it stands is never read as quoting.
            CommandLineParts unquoted = CutCommandLine(GroupsAsWritten(line));
            ASSERT_EQ(unquoted.PrintCommand, promise.parts.PrintCommand) << i;
            ASSERT_EQ(unquoted.OutputPath, promise.parts.OutputPath) << i;
            break;
        }
        case Promise::Unexpected:
            ASSERT_FALSE(parts.has_value()) << "line " << i << " should be refused for unexpected text";
            // A long text may be shortened; its beginning is named.
            ASSERT_NE(description.find(L"\"" + promise.named.substr(0, 40)), std::wstring::npos)
                << "line " << i << " refused without naming the unexpected text";
            break;
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

// The same two groups as each launcher writes them onto the command line,
// worked out from its documented quoting rules: every row gives the groups
// that the raw line gives.
TEST(CommandLineCutTest, LauncherQuotingGivesTheGroupsAsWritten)
{
    const std::wstring print = LR"("C:\Program Files\Tools\p.exe" /p "C:\My Docs\a.txt")";
    const std::wstring output = LR"(C:\out dir\a.pdf)";
    // Two backslashes before a quote, which a launcher doubles and escapes.
    const std::wstring folderPrint = LR"(p.exe /folder "C:\My Docs\\" /p a.txt)";
    const std::wstring barePrint = LR"(C:\Tools\print.cmd)";
    const struct {
        const char* launcher;
        std::wstring line;
        std::wstring print;
        std::wstring output;
    } cases[] = {
        {"cmd, Task Scheduler's /TR", LR"({"C:\Program Files\Tools\p.exe" /p "C:\My Docs\a.txt"} {C:\out dir\a.pdf})",
         print, output},
        // PowerShell 7 Standard (ArgumentList's rules), Python's list2cmdline,
        // .NET's ArgumentList and Wine all write one argument alike.
        {"PowerShell Standard, list2cmdline, ArgumentList, Wine: one argument",
         LR"("{\"C:\Program Files\Tools\p.exe\" /p \"C:\My Docs\a.txt\"} {C:\out dir\a.pdf}")", print, output},
        {"PowerShell Standard, list2cmdline, ArgumentList: two arguments",
         LR"("{\"C:\Program Files\Tools\p.exe\" /p \"C:\My Docs\a.txt\"}" "{C:\out dir\a.pdf}")", print, output},
        {"PowerShell Legacy: one argument",
         LR"("{"C:\Program Files\Tools\p.exe" /p "C:\My Docs\a.txt"} {C:\out dir\a.pdf}")", print, output},
        {"PowerShell Legacy: two arguments",
         LR"("{"C:\Program Files\Tools\p.exe" /p "C:\My Docs\a.txt"}" "{C:\out dir\a.pdf}")", print, output},
        {"cmd", LR"({p.exe /folder "C:\My Docs\\" /p a.txt} {C:\out dir\a.pdf})", folderPrint, output},
        {"PowerShell Standard, list2cmdline, ArgumentList: backslashes before a quote",
         LR"("{p.exe /folder \"C:\My Docs\\\\\" /p a.txt} {C:\out dir\a.pdf}")", folderPrint, output},
        {"PowerShell Legacy: backslashes before a quote",
         LR"("{p.exe /folder "C:\My Docs\\" /p a.txt} {C:\out dir\a.pdf}")", folderPrint, output},
        // A group without a space or a quote is left bare by every launcher.
        {"cmd", LR"({C:\Tools\print.cmd} {C:\out dir\a.pdf})", barePrint, output},
        {"every launcher: a bare first argument", LR"({C:\Tools\print.cmd} "{C:\out dir\a.pdf}")", barePrint,
         output},
        // ArgumentList quotes an argument that holds a quote and no space;
        // Legacy passes it as it is.
        {"cmd, PowerShell Legacy", LR"({"C:\Tools\p.exe"} {C:\out.pdf})", LR"("C:\Tools\p.exe")", LR"(C:\out.pdf)"},
        {"PowerShell Standard, ArgumentList", LR"("{\"C:\Tools\p.exe\"}" {C:\out.pdf})", LR"("C:\Tools\p.exe")",
         LR"(C:\out.pdf)"},
        // Quoted by hand in cmd: the groups wrapped, the quotes inside left.
        {"by hand", LR"({notepad /p "C:\My Docs\a.txt"} "{C:\out dir\a.pdf}")", LR"(notepad /p "C:\My Docs\a.txt")",
         output},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << i << " " << cases[i].launcher << ": " << cases[i].line);
        CommandLineParts parts = CutCommandLine(GroupsAsWritten(cases[i].line));
        EXPECT_EQ(parts.PrintCommand, cases[i].print);
        EXPECT_EQ(parts.OutputPath, cases[i].output);
    }
}

// What is not quoting as a launcher writes it stays as it is: a line that the
// cut takes is cut as before, and one that it refuses is refused as before.
TEST(CommandLineCutTest, WhatIsNotQuotingStaysAsItIs)
{
    const std::wstring kept[] = {
        LR"({a} {b})",
        // list2cmdline leaves a group without a space bare, its quotes escaped:
        // the print command has always been cut with the backslashes.
        LR"({\"C:\Tools\p.exe\"} {C:\out.pdf})",
        LR"({"a b"} {c})",
        LR"({a b} {c} "{d e}")",
        // Refused: an argument that is not a group, a quote left open, quoted
        // parts inside an argument, two quoted groups without a space.
        LR"("{a b}" tail)",
        LR"("{a b}" tail {c})",
        LR"("{a b}" "{c d}" tail)",
        LR"("x {a} {b}")",
        LR"("{a b} {c})",
        LR"("{a}"{b})",
        LR"("{a} x"{b}")",
        LR"("" {a} {b})",
        LR"(""{a} {b}")",
        LR"("{a b}" "{c d})",
    };
    for (size_t i = 0; i < std::size(kept); ++i) {
        SCOPED_TRACE(testing::Message() << i << ": " << kept[i]);
        EXPECT_EQ(GroupsAsWritten(kept[i]), kept[i]);
    }
    // A refused line still names what stands before the print command.
    try {
        CutCommandLine(GroupsAsWritten(LR"("{a b}" tail {c})"));
        ADD_FAILURE() << "not refused";
    } catch (const CommandLineError& error) {
        EXPECT_NE(error.Description().find(L"before the print command: \"\"\""), std::wstring::npos)
            << testing::PrintToString(error.Description());
    }
}
