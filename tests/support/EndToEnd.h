#pragma once
// What the end-to-end tests share: the texts and exit codes a caller of
// CommandLine.exe relies on, and the converter side of a normal run.
#include "CommandLineRun.h"
#include "Files.h"
#include "Sandbox.h"
#include "StandInLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace EndToEnd {

using namespace TestSupport;

// The exit codes of the README's table.
enum ExitCode : DWORD {
    Success = 0,
    HelpShown = 1,
    InvalidCommandLine = 2,
    SignalFileUnusable = 3,
    PrintNotDelivered = 4,
    UnexpectedError = 5,
    NoDocument = 6,
};

inline const std::string AppTitle = "CommandLine";
inline const std::string MissingFilesText = "Some required files are missing or corrupted.\n"
                                            "To get technical support on this, Please contact at:  \n"
                                            "\n"
                                            "support@marrowgate.example";
inline const std::string HelpText = std::string(54, ' ') + "Invalid Command Line\n\n"
                                    "Do you want to read web articles on how to automate Ardenfold through Command Line ?";
inline const std::string HelpAddress = "http://www.ardenfold.example/ardenfold/help.htm#command_line";
inline const std::string InvalidPrintCommandText = "Invalid Print Command in Command Line.";
inline const std::string InvalidOutputPathText = "invalid Output File Path in Command Line.";
// The trap names the expected form when a group is missing.
inline const std::string ExpectedForm = "{print command} {output file}";
// The stand-in's runs of a whole conversion, in order.
inline const std::string AllFourRuns = "clear-cache,print,converter,clear-cache";

// The converter side of a conversion that goes well: the print job takes the
// marker away, the converter writes the document it is handed.
inline Environment ConverterSide(Environment more = {})
{
    Environment environment = {{"STANDIN_PRINT_REMOVE_MARKER", "1"}, {"STANDIN_CONVERTER_WRITE_OUTPUT", "1"}};
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
}

// A print command that starts the stand-in with these arguments.
inline std::string PrintCommand(const Sandbox& sandbox, const std::string& arguments = "doc.txt")
{
    return "\"" + sandbox.StandInExe() + "\" " + arguments;
}

inline std::vector<StandIn::RunRecord> Runs(const Sandbox& sandbox)
{
    return StandIn::ReadLog(sandbox.LogFile());
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

inline void ExpectBox(const SeenBox& box, const std::string& title, const std::string& text, std::vector<int> buttons)
{
    EXPECT_EQ(box.title, title) << box.Describe();
    EXPECT_EQ(box.text, text) << box.Describe();
    EXPECT_EQ(box.buttons, buttons) << box.Describe();
}

} // namespace EndToEnd
