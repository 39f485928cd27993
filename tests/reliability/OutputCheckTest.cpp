// "Exit code 0 but no file" is what a script must never get: after the
// converter run the program looks for a document written during this run,
// by comparing what is at the output path with what was there before; never
// against this machine's clock. (An empty output path is not looked at:
// CommandLineTest.)
#include "EndToEnd.h"

namespace EndToEnd {
namespace {

// An earlier run's document: last written an hour ago.
void WriteOldDocument(const std::string& path)
{
    WriteFileBytes(path, "yesterday's document");
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 3600ULL * 10'000'000ULL;
    FILETIME hourAgo{time.LowPart, time.HighPart};
    Global::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file && ::SetFileTime(file.Get(), nullptr, nullptr, &hourAgo));
}

TEST(OutputCheckTest, OnlyADocumentWrittenDuringTheRunIsSuccess)
{
    enum class Before { Nothing, OldDocument, Folder };
    struct Case {
        Before before;
        bool converterWrites;
        DWORD exitCode;
        const char* backdate = ""; // the converter's file server's clock is this many seconds behind
    } cases[] = {
        {Before::Nothing, true, Success},
        {Before::Nothing, false, NoDocument},
        {Before::OldDocument, false, NoDocument}, // not mistaken for a new one
        {Before::OldDocument, true, Success},     // rewritten
        {Before::Folder, true, NoDocument},
        {Before::Nothing, true, Success, "3600"},     // new, though it looks an hour old
        {Before::OldDocument, true, Success, "3600"}, // rewritten, though it looks as old as before
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        Sandbox sandbox;
        std::string output = sandbox.Root() + "\\out.pdf";
        if (c.before == Before::OldDocument) {
            WriteOldDocument(output);
        } else if (c.before == Before::Folder) {
            MakeFolders(output);
        }
        Environment scenario = {{"STANDIN_PRINT_REMOVE_MARKER", "1"}};
        if (c.converterWrites) {
            scenario.push_back({"STANDIN_CONVERTER_WRITE_OUTPUT", "1"});
            scenario.push_back({"STANDIN_CONVERTER_BACKDATE_OUTPUT", c.backdate});
        }
        RunResult result = RunCommandLine(sandbox, "{" + PrintCommand(sandbox) + "} {" + output + "}", {}, scenario);
        EXPECT_EQ(result.exitCode, c.exitCode) << i;
        // The whole sequence ran and cleaned up, whatever the check found.
        EXPECT_EQ(StandIn::Roles(Runs(sandbox)), AllFourRuns) << i;
        EXPECT_FALSE(PathExists(sandbox.SignalFile())) << i;
        if (c.before == Before::OldDocument) {
            // Looked at, never touched: only the converter rewrites it.
            EXPECT_EQ(ReadFileBytes(output) == "yesterday's document", !c.converterWrites) << i;
        } else {
            EXPECT_EQ(c.before == Before::Folder ? IsFolder(output) : PathExists(output), c.converterWrites) << i;
        }
    }
}

} // namespace
} // namespace EndToEnd
