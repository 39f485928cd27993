#pragma once
// PDFCreator.exe's exit codes (CommandLine.exe has its own,
// src/driver/CommandLineExitCodes.h): the one place they are defined.
// docs/converter.md lists the same values. The program shows nothing, so the exit
// code (and its log) is all a caller learns about a failure.
#include "Error.h"

#include <string>

namespace Converter {

enum class ExitCode : int {
    Success = 0,
    BadArguments = 10,       // a command line the converter does not know
    DocumentUnreadable = 11, // /PrintFile: the document is missing or cannot be read
    NoPendingJob = 12,       // conversion: the spool holds no job
    NoOutputPath = 13,       // conversion: no hand-over file, or its first line is empty
    OutputNotWritable = 14,  // conversion: the output folder is missing or the file cannot be written
    SpoolUnusable = 15,      // the spool folder cannot be made, read or written
    UnexpectedError = 16,    // anything else
    DocumentRefused = 17,    // the document is of no kind the converter takes, damaged, or beyond a limit
    NoRunWaiting = 18,       // /PrintFile: no conversion waits for the job (no marker, or it went or was replaced)
    PrinterUnavailable = 19, // /AddPrinter: the system lacks a piece the printer needs (its PostScript driver, the port monitor)
    ConverterMissing = 20,   // conversion of a printed job: Ghostscript (gs.exe) is not beside the converter
};

// An error that decides the exit code. Its description goes to the standard
// error handle when there is one, for whoever ran the program, and to the log.
class Failure : public Global::Error {
public:
    Failure(ExitCode code, std::wstring description) : Error(std::move(description)), code_(code) {}
    ExitCode Code() const noexcept { return code_; }

private:
    ExitCode code_;
};

// Throws a Failure "<what>: <system message>" for a code captured right after
// the failing call.
[[noreturn]] void ThrowFailure(ExitCode code, const std::wstring& what, unsigned long systemCode);

// Only inside a catch block: the exception in flight as the Failure that
// ends the run, the one table from errors to exit codes. A Failure is
// itself; any other error is UnexpectedError; running out of memory is
// DocumentRefused when a document is being worked on (documentName: it is
// too large for this machine, as it would be beyond a limit, and a smaller
// one converts), else UnexpectedError.
Failure CurrentFailure(const std::wstring& documentName = {});

} // namespace Converter
