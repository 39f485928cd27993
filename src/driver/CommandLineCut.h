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
    std::wstring PrintCommand;
    std::wstring OutputPath;
};

// Cuts a non-empty command line into its two parts. The print command starts
// after the first "{" and is one character shorter than the text before the
// first "}";
// Rest is what follows the print command and two braces, without spaces at
// its ends, and the output path is cut from Rest in the same way. On a line
// "{print command} {output file}" each part is the text between its own
// braces, unchanged (spaces, quotes, backslashes and opening braces stay),
// and text after the second group is ignored.
// An empty part is returned as it is: reporting it is the caller's.
// Throws CommandLineError, naming the expected form, when a length would be
// negative (no "}", or a "}" first in the line or in Rest), when the print
// command is non-empty but the line does not begin with "{" (text before the
// first "{" is never skipped), and when both
// parts are non-empty but Rest does not begin with "{": such parts would be
// shifted, and the description names the unexpected text.
CommandLineParts CutCommandLine(const std::wstring& commandLineText);

// The process's argument text: the command line without the program's own
// name, as the platform gives it.
std::wstring ProcessArgumentText();

// Removes leading and trailing space characters (code 32) only.
std::wstring TrimBlanks(const std::wstring& text);

} // namespace Ardenfold_API
