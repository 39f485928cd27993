// The conversion sequence against the stand-in converter: the four hidden
// runs in order and the signal file each of them finds. What the converter
// side may do wrong is in the fault matrix.
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

bool IsWine()
{
    return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(ConversionTest, TheWholeRoadInOrderHiddenWithEachSignalFileState)
{
    Sandbox sandbox;
    // Quotes, arguments, an opening brace and a trailing blank all belong to the print command.
    std::string print = PrintCommand(sandbox, "\"first doc.txt\" /p {x ");
    // Twelve characters, relative to the run's current folder: a 14-byte hand-over.
    const std::string output = "abcdefgh.pdf";
    RunResult result = RunCommandLine(sandbox, "{" + print + "} {" + output + "}", {}, ConverterSide());
    EXPECT_EQ(result.exitCode, Success);

    std::vector<StandIn::RunRecord> runs = Runs(sandbox);
    ASSERT_EQ(StandIn::Roles(runs), AllFourRuns);
    const std::string clearCache = "\"" + sandbox.ConverterExe() + "\" /ClearCache /NoStart";
    const std::string commandLines[] = {clearCache, print, sandbox.ConverterExe(), clearCache};
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].commandLine, commandLines[i]) << i;
        EXPECT_NE(runs[i].startupFlags & STARTF_USESHOWWINDOW, 0u) << i;
        EXPECT_EQ(runs[i].showWindow, SW_HIDE) << i;
    }
    EXPECT_TRUE(runs[0].SignalAbsent());
    EXPECT_TRUE(runs[1].SignalHolds("")) << "the marker is empty";
    EXPECT_TRUE(runs[2].SignalHolds(output + "\r\n")) << runs[2].signalBytes;
    EXPECT_EQ(runs[2].signalBytes.size(), 14u);
    EXPECT_TRUE(runs[3].SignalAbsent());
    EXPECT_FALSE(PathExists(sandbox.SignalFile()));
    EXPECT_TRUE(PathExists(sandbox.Root() + "\\" + output));
}

TEST(ConversionTest, AProgramFolderWithSpacesIsQuotedForClearCacheOnly)
{
    Sandbox spaced(Converter::Placed, "Conv Program Files");
    RunResult result = RunCommandLine(spaced, "{" + PrintCommand(spaced) + "} {out.pdf}", {}, ConverterSide());
    EXPECT_EQ(result.exitCode, Success);
    std::vector<StandIn::RunRecord> runs = Runs(spaced);
    ASSERT_EQ(StandIn::Roles(runs), AllFourRuns);
    std::string converter = spaced.ProgramFolder() + "\\PDFCreator.exe";
    EXPECT_EQ(runs[0].commandLine, "\"" + converter + "\" /ClearCache /NoStart");
    // Wine hands a program that it found by searching an unquoted path with
    // blanks its command line with that path quoted, whatever the caller
    // gave; Windows passes the caller's text on. Either way the converter is
    // found under the spaced folder and gets no arguments.
    EXPECT_EQ(runs[2].commandLine, IsWine() ? "\"" + converter + "\"" : converter);
    EXPECT_EQ(runs[3].commandLine, runs[0].commandLine);
}

} // namespace
} // namespace EndToEnd
