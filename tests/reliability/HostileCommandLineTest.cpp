// Command lines that no careful caller writes but a script may produce:
// each must end in a clear box or a clean conversion, with the documented
// exit code, and leave no signal file behind.
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

// Near the platform's limit of 32,767 characters for a whole command line.
constexpr size_t HugeLength = 32000;

std::string Padded(std::string text, size_t length, char fill)
{
    return text.size() < length ? text.append(length - text.size(), fill) : text;
}

TEST(HostileCommandLineTest, HugeCommandLines)
{
    Sandbox sandbox;
    const std::string print = PrintCommand(sandbox, "print");
    const std::string output = sandbox.Root() + "\\out.pdf";
    const std::string longPrint = Padded(print + " ", HugeLength - output.size() - 5, 'x');
    struct Case {
        std::string arguments;
        std::vector<int> answers;
        DWORD exitCode;
        std::string boxStart; // empty: no box
    } cases[] = {
        {"{" + longPrint + "} {" + output + "}", {}, Success, ""},
        {"{" + print + "} {" + Padded("C:\\", HugeLength - print.size() - 5, 'o') + "}", {}, NoDocument, ""},
        {"{" + Padded(print, HugeLength, 'x'), {IDOK}, InvalidCommandLine, "The print command is missing"},
        {"{" + print + "} " + std::string(HugeLength - print.size() - 3, 'z'), {IDOK}, InvalidCommandLine,
         "The output file is missing"},
        {std::string(HugeLength, ' '), {IDNO}, HelpShown, HelpText},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_GE(c.arguments.size(), HugeLength - 10) << i;
        RemoveTree(output);
        RemoveTree(sandbox.LogFile());
        RunResult result = RunCommandLine(sandbox, c.arguments, c.answers, ConverterSide(), 60000);
        EXPECT_EQ(result.exitCode, c.exitCode) << i;
        if (!c.boxStart.empty() && result.boxes.size() == 1) {
            EXPECT_EQ(result.boxes[0].text.rfind(c.boxStart, 0), 0u) << i << ": " << result.boxes[0].Describe();
        }
        if (i == 0) {
            // The print command arrives at the print run character for character.
            std::vector<StandIn::RunRecord> runs = Runs(sandbox);
            ASSERT_EQ(StandIn::Roles(runs), AllFourRuns);
            EXPECT_EQ(runs[1].commandLine, longPrint);
            EXPECT_TRUE(PathExists(output));
        }
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
    }
}

// No ANSI file call takes a path beyond MAX_PATH: the converter cannot
// write the document, and the run says so by its exit code. The hand-over
// still carries the whole path, unchanged.
TEST(HostileCommandLineTest, OutputPathsBeyondMaxPath)
{
    for (size_t length : {300u, 600u}) {
        Sandbox sandbox;
        // Nested folder names that each stay within the file system's 255.
        std::string output = sandbox.Root();
        while (output.size() + 100 < length) {
            output += "\\" + std::string(90, 'd');
        }
        output = Padded(output + "\\", length - 4, 'f') + ".pdf";
        RunResult result = RunCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {" + output + "}", {}, ConverterSide());
        EXPECT_EQ(result.exitCode, NoDocument) << length;
        std::vector<StandIn::RunRecord> runs = Runs(sandbox);
        ASSERT_EQ(StandIn::Roles(runs), AllFourRuns) << length;
        EXPECT_TRUE(runs[2].SignalHolds(output + "\r\n")) << length;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << length;
    }
}

// A part that the code page cannot carry would reach the system as other
// text (another program, another file): it is refused before anything runs.
// After the second group it is ignored like any other text there.
TEST(HostileCommandLineTest, CharactersOutsideTheAnsiCodePage)
{
    const std::wstring foreign = L"\u4E2D\u6587-\u03A9";
    BOOL lossy = FALSE;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, foreign.c_str(), -1, nullptr, 0, nullptr, &lossy);
    ASSERT_TRUE(lossy) << "code page " << ::GetACP() << " has these characters";
    Sandbox sandbox;
    const std::wstring print = Wide(PrintCommand(sandbox));
    const std::wstring folder = Wide(sandbox.Root() + "\\");
    struct Case {
        std::wstring arguments;
        std::string boxStart; // empty: a clean conversion
    } cases[] = {
        {L"{" + print + L"} {" + folder + foreign + L".pdf}", "The output file path contains"},
        {L"{" + print + L" " + foreign + L"} {" + folder + L"out.pdf}", "The print command contains"},
        {L"{" + print + foreign + L"} {" + foreign + L"}", "The print command contains"},
        {L"{" + print + L"} {" + folder + L"out.pdf} " + foreign, ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        RemoveTree(sandbox.LogFile());
        std::vector<int> answers = c.boxStart.empty() ? std::vector<int>{} : std::vector<int>{IDOK};
        RunResult result = FinishRun(*StartCommandLine(sandbox, c.arguments, ConverterSide()), answers);
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
        if (c.boxStart.empty()) {
            EXPECT_EQ(result.exitCode, Success) << i;
            EXPECT_TRUE(PathExists(sandbox.Root() + "\\out.pdf")) << i;
            continue;
        }
        EXPECT_EQ(result.exitCode, InvalidCommandLine) << i;
        ASSERT_EQ(result.boxes.size(), 1u) << i;
        EXPECT_EQ(result.boxes[0].text.rfind(c.boxStart, 0), 0u) << i << ": " << result.boxes[0].Describe();
        EXPECT_TRUE(Contains(result.boxes[0].text, std::to_string(::GetACP()))) << i << ": " << result.boxes[0].Describe();
        EXPECT_TRUE(Runs(sandbox).empty()) << i << ": something ran";
    }
}

} // namespace
} // namespace EndToEnd
