#include "CommandLineCut.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace Ardenfold_API;

namespace {

struct Case {
    std::wstring line;
    std::wstring print;
    std::wstring output;
};

// The cut restated as plainly as possible, to check the real one against on
// generated input: nullopt where the line lacks two complete groups.
std::optional<CommandLineParts> ReferenceCut(const std::wstring& line)
{
    std::wstring parts[2];
    size_t at = 0;
    for (auto& part : parts) {
        while (at < line.size() && line[at] != L'{') {
            ++at;
        }
        if (at == line.size()) {
            return std::nullopt;
        }
        ++at;
        std::wstring text;
        while (at < line.size() && line[at] != L'}') {
            text += line[at++];
        }
        if (at == line.size()) {
            return std::nullopt;
        }
        ++at;
        part = text;
    }
    return CommandLineParts{parts[0], parts[1]};
}

} // namespace

TEST(CommandLineCutTest, WellFormedShapes)
{
    const Case cases[] = {
        {L"{print} {out.pdf}", L"print", L"out.pdf"},
        {L"{print}{out.pdf}", L"print", L"out.pdf"},
        {L"{print}      {out.pdf}", L"print", L"out.pdf"},
        {L"{print} {out.pdf} trailing text {x}", L"print", L"out.pdf"},
        {L"{ print } { out.pdf }", L" print ", L" out.pdf "},
        {L"{\"C:\\Program Files\\p.exe\" /p \"a b.txt\"} {C:\\out dir\\a.pdf}",
         L"\"C:\\Program Files\\p.exe\" /p \"a b.txt\"", L"C:\\out dir\\a.pdf"},
        {L"{a{b} {c{d}", L"a{b", L"c{d"},
        {L"{a}b} {c}", L"a", L"c"},         // a "}" in the print command ends it there
        {L"x{a}{b}", L"a", L"b"},           // text before a group is not part of it
        {L"{a} junk {b}", L"a", L"b"},
        {L"{}{out}", L"", L"out"},
        {L"{print}{}", L"print", L""},
        {L"{}{}", L"", L""},
        {L"\t{a}\t{b}\t", L"a", L"b"},
        {L"{\u00e9\u4e00} {\u20ac}", L"\u00e9\u4e00", L"\u20ac"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        CommandLineParts parts = CutCommandLine(cases[i].line);
        EXPECT_EQ(parts.PrintCommand, cases[i].print) << i;
        EXPECT_EQ(parts.OutputPath, cases[i].output) << i;
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

TEST(CommandLineCutTest, MissingGroupsAreErrorsThatShowTheExpectedForm)
{
    const std::wstring lines[] = {L"print", L"{print", L"}", L"{print}", L"{print} out", L"{print} {out", L"}{a}",
                                  L"{a}}", L"{"};
    for (size_t i = 0; i < std::size(lines); ++i) {
        try {
            CutCommandLine(lines[i]);
            ADD_FAILURE() << "no error for line " << i;
        } catch (const CommandLineError& error) {
            EXPECT_NE(error.Description().find(L"{print command} {output file}"), std::wstring::npos) << i;
        }
    }
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
        try {
            CommandLineParts parts = CutCommandLine(line);
            ASSERT_TRUE(expected.has_value()) << "accepted line " << i;
            ASSERT_EQ(parts.PrintCommand, expected->PrintCommand) << i;
            ASSERT_EQ(parts.OutputPath, expected->OutputPath) << i;
        } catch (const CommandLineError&) {
            ASSERT_FALSE(expected.has_value()) << "refused line " << i;
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
