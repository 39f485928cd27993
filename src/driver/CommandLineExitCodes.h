#pragma once
// CommandLine.exe's exit codes, the front end's (PDFCreator.exe has its own,
// src/converter/core/ConverterExitCodes.h): the one place they are defined.
// The README's table lists the same values.
namespace Ardenfold_API {

enum class ExitCode : int {
    Success = 0,            // the conversion sequence ran to its end
    HelpShown = 1,          // empty command line: the help prompt was shown
    InvalidCommandLine = 2, // an empty or missing brace group, or text the system cannot take
    SignalFileUnusable = 3, // the signal file was held at start-up, a marker could not be made, another run kept it too long, or its run lock cannot be had
    PrintNotDelivered = 4,  // the print command could not be started, or its job never reached the converter
    UnexpectedError = 5,    // any other error reported by the top-level error trap
    NoDocument = 6,         // no document was produced at the output path
};

// The outcome of one run: the first failure decides the code.
class ExitStatus {
public:
    void Note(ExitCode code) noexcept
    {
        if (code_ == ExitCode::Success) {
            code_ = code;
        }
    }
    ExitCode Code() const noexcept { return code_; }

private:
    ExitCode code_ = ExitCode::Success;
};

} // namespace Ardenfold_API
