// Command lines that no careful caller writes but a script may produce:
// each must end in a clear box or a clean conversion, with the documented
// exit code, and leave no signal file behind.
#include "EndToEnd.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"
#include "LaterRuns.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace TestSupport;
using namespace Reliability;

namespace {

// Near the platform's limit of 32,767 characters for a whole command line.
constexpr size_t HugeLength = 32000;

const Environment Cooperating = EndToEnd::ConverterSide();

std::string PrintCommand(const Sandbox &sandbox)
{
    return "\"" + sandbox.StandInExe() + "\" print";
}

std::string Padded(std::string text, size_t length, char fill)
{
    if (text.size() < length) {
        text.append(length - text.size(), fill);
    }
    return text;
}

// A path of about `length` characters under the sandbox, of nested folder
// names that each stay within the file system's 255.
std::string LongPath(const Sandbox &sandbox, size_t length)
{
    std::string path = sandbox.Root();
    while (path.size() + 100 < length) {
        path += "\\" + std::string(90, 'd');
    }
    return Padded(path + "\\", length - 4, 'f') + ".pdf";
}

bool IsAnsiText(const std::wstring &text)
{
    BOOL lossy = FALSE;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                          &lossy);
    return !lossy;
}

TEST(HostileCommandLineTest, HugeCommandLines)
{
    Sandbox sandbox;
    const std::string print = PrintCommand(sandbox);
    const std::string output = sandbox.Root() + "\\out.pdf";
    // The print command arrives at the print run character for character.
    const std::string longPrint = Padded(print + " ", HugeLength - output.size() - 5, 'x');

    struct Case {
        const char *situation;
        std::string arguments;
        std::vector<int> answers;
        DWORD exitCode;
        std::string boxStart; // empty: no box
        bool converts;
    } cases[] = {
        {"huge print command", "{" + longPrint + "} {" + output + "}", {}, 0, "", true},
        {"huge output path",
         "{" + print + "} {" + Padded("C:\\", HugeLength - print.size() - 5, 'o') + "}",
         {},
         6,
         "",
         false},
        {"no closing brace", "{" + Padded(print, HugeLength, 'x'), {IDOK}, 2, "The print command is missing", false},
        {"no second group",
         "{" + print + "} " + Padded("", HugeLength - print.size() - 3, 'z'),
         {IDOK},
         2,
         "The output file is missing",
         false},
        {"spaces only", std::string(HugeLength, ' '), {IDNO}, 1, std::string(54, ' ') + "Invalid Command Line", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        ASSERT_GE(c.arguments.size(), HugeLength - 10);
        RemoveTree(output);
        RemoveTree(sandbox.LogFile());
        auto run = StartCommandLine(sandbox, c.arguments, Cooperating);
        RunResult result = Finish(*run, c.answers, 60000);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.DescribeBoxes();
        if (c.boxStart.empty()) {
            EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
        } else {
            ASSERT_EQ(result.boxes.size(), 1u);
            EXPECT_EQ(result.boxes[0].text.rfind(c.boxStart, 0), 0u) << result.boxes[0].Describe();
        }
        std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
        if (c.converts) {
            ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
            EXPECT_EQ(runs[1].commandLine, longPrint);
            EXPECT_TRUE(PathExists(output));
        }
        EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    }
}

// No ANSI file call takes a path beyond MAX_PATH: the converter cannot
// write the document, and the run says so by its exit code. The hand-over
// still carries the whole path, unchanged.
TEST(HostileCommandLineTest, OutputPathsBeyondMaxPath)
{
    for (size_t length : {300u, 600u}) {
        SCOPED_TRACE(length);
        Sandbox sandbox;
        std::string output = LongPath(sandbox, length);
        ASSERT_EQ(output.size(), length);
        auto run = StartCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {" + output + "}", Cooperating);
        RunResult result = Finish(*run, {});
        EXPECT_EQ(result.exitCode, 6u);
        EXPECT_TRUE(result.boxes.empty()) << result.DescribeBoxes();
        std::vector<StandIn::RunRecord> runs = StandIn::ReadLog(sandbox.LogFile());
        ASSERT_EQ(StandIn::Roles(runs), "clear-cache,print,converter,clear-cache");
        EXPECT_TRUE(runs[2].SignalHolds(output + "\r\n"));
        EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    }
}

// A part that the code page cannot carry would reach the system as other
// text (another program, another file): it is refused before anything runs.
TEST(HostileCommandLineTest, CharactersOutsideTheAnsiCodePage)
{
    const std::wstring foreign = L"\u4E2D\u6587-\u03A9";
    ASSERT_FALSE(IsAnsiText(foreign)) << "code page " << ::GetACP() << " has these characters";
    Sandbox sandbox;
    const std::wstring print = Wide(PrintCommand(sandbox));
    const std::wstring output = Wide(sandbox.Root() + "\\");

    struct Case {
        const char *situation;
        std::wstring arguments;
        const char *boxStart;
    } cases[] = {
        {"in the output path", L"{" + print + L"} {" + output + foreign + L".pdf}", "The output file path contains"},
        {"in the print command", L"{" + print + L" " + foreign + L"} {" + output + L"out.pdf}",
         "The print command contains"},
        {"in both", L"{" + print + foreign + L"} {" + foreign + L"}", "The print command contains"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.situation);
        RemoveTree(sandbox.LogFile());
        auto run = StartCommandLine(sandbox, c.arguments, Cooperating);
        RunResult result = Finish(*run, {IDOK});
        EXPECT_EQ(result.exitCode, 2u);
        ASSERT_EQ(result.boxes.size(), 1u);
        EXPECT_EQ(result.boxes[0].text.rfind(c.boxStart, 0), 0u) << result.boxes[0].Describe();
        EXPECT_NE(result.boxes[0].text.find(std::to_string(::GetACP())), std::string::npos)
            << result.boxes[0].Describe();
        EXPECT_TRUE(StandIn::ReadLog(sandbox.LogFile()).empty()) << "something ran";
        EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    }
}

TEST(HostileCommandLineTest, ForeignTextAfterTheSecondGroupIsIgnored)
{
    Sandbox sandbox;
    std::string output = sandbox.Root() + "\\out.pdf";
    auto run = StartCommandLine(sandbox, L"{" + Wide(PrintCommand(sandbox)) + L"} {" + Wide(output) + L"} \u4E2D\u6587",
                                Cooperating);
    RunResult result = Finish(*run, {});
    EXPECT_EQ(result.exitCode, 0u) << result.DescribeBoxes();
    EXPECT_TRUE(PathExists(output));
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
}

} // namespace
