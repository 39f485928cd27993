#pragma once
// The converter's steps of the signal-file exchange (SignalExchange), with
// the converter's exit codes.
#include "ConverterExitCodes.h"
#include "SignalExchange.h"

#include <functional>
#include <string>

namespace Converter {

// Where the signal file lies, by the rule both programs share. Throws
// Failure(UnexpectedError) when it cannot be found, Failure(SpoolUnusable)
// when it lies in a working folder that is not this user's alone
// (Global::CheckPrivateFolder).
std::wstring FindSignalFile();

// Once the print job is ready: releases the marker the print run answers
// (found by SignalExchange::IdentifyMarker as it began), after handOver has
// made the job takeable, so that CommandLine.exe goes on. Throws
// Failure(NoRunWaiting) when that marker is gone or another has taken its
// place (handOver is then not run), Failure(UnexpectedError) when it is
// held or cannot be deleted; a Failure from handOver goes on once the marker
// is released.
void ReleaseAnsweredMarker(const std::wstring& signalFilePath, const SignalExchange::MarkerIdentity& answered,
                           const std::function<void()>& handOver);

// The output path from the hand-over file. Throws Failure(NoOutputPath) when
// the file cannot be found or read, or names no output file.
std::wstring ReadHandOverPath(const std::wstring& signalFilePath);

} // namespace Converter
