#pragma once
// The command line: {print command} {output file}.
#include "Error.h"

#include <string>

namespace Ardenfold_API {

// A command line the program cannot take: no conversion runs.
class CommandLineError : public Global::Error {
public:
    using Global::Error::Error;
};

struct CommandLineParts {
    std::wstring PrintCommand; // text between the first "{" and the first "}" after it
    std::wstring OutputPath;   // text between the next "{" and the first "}" after it
};

// Cuts a non-empty command line into its two parts. Each part is the text
// between its own braces, unchanged: spaces, quotes, backslashes and opening
// braces stay. Text before a group and after the second one is ignored.
// Throws CommandLineError when the command line lacks two complete groups.
CommandLineParts CutCommandLine(const std::wstring& commandLineText);

// The process's argument text: the command line without the program's own
// name, as the platform gives it.
std::wstring ProcessArgumentText();

// Removes leading and trailing space characters (code 32) only.
std::wstring TrimBlanks(const std::wstring& text);

} // namespace Ardenfold_API
