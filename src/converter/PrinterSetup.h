#pragma once
// The converter's own printer, "Ardenfold PDF": the system's PostScript
// driver with a PPD of ours, printing to a local port that is a file in a
// folder the print watcher looks at. Any program that prints to it hands
// its job to the converter side.
#include <string>

namespace Converter {

inline constexpr wchar_t PrinterName[] = L"Ardenfold PDF";
inline constexpr wchar_t PrinterDriverName[] = L"Ardenfold PostScript";

// The PPD: a colour PostScript level 3 device whose TrueType fonts go into
// the job as Type 42, so that a PDF made from it keeps the text as text.
extern const char PrinterPpd[];

// Where the port writes each job: the data folder (common application data
// + "\Marrowgate\Ardenfold Converter") + "\Printer\Ardenfold.ps". The folder
// is made by InstallPrinter. Throws Failure(UnexpectedError) when the
// system names no common application-data folder.
std::wstring PrinterPortFolder();
std::wstring PrinterPortPath();

// Whether the printer is installed on this machine (its port's folder is
// there and the spooler knows it). Never throws.
bool PrinterInstalled();

// Installs the port, the driver (the system's PostScript driver with our
// PPD) and the printer, replacing a printer of that name; makes it the
// user's default printer only when asked. Throws Failure(PrinterUnavailable)
// naming what the system lacks (no PostScript class driver, no local port
// monitor), Failure(UnexpectedError) when a step fails.
void InstallPrinter(bool makeDefault);

// Removes the printer, its driver, its port and the port's folder, which
// tells the print watchers to end; what is not there is no error. Throws Failure(UnexpectedError) when a step fails.
void UninstallPrinter();

} // namespace Converter
