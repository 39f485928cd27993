#pragma once
// The converter's own printer, "Ardenfold PDF": the system's PostScript
// driver with a PPD of ours, printing to the port "ARDENFOLD:" of our port
// monitor (ArdenfoldPort.dll), which writes each job into its owner's own
// printed jobs folder, where that owner's print watcher takes it. Any
// program that prints to it hands its job to the converter side.
#include <string>

namespace Converter {

inline constexpr wchar_t PrinterName[] = L"Ardenfold PDF";
inline constexpr wchar_t PrinterDriverName[] = L"Ardenfold PostScript";

// The PPD: a colour PostScript level 3 device whose TrueType fonts go into
// the job as Type 42, so that a PDF made from it keeps the text as text.
extern const char PrinterPpd[];

inline constexpr wchar_t PortMonitorName[] = L"Ardenfold Port";
inline constexpr wchar_t PortMonitorFile[] = L"ArdenfoldPort.dll";
inline constexpr wchar_t PrinterPortName[] = L"ARDENFOLD:";

// Whether the port monitor is registered: a key only an administrator can
// make or remove, so no user can fake or end it for another. Never throws.
bool PortMonitorInstalled();

// Whether the printer is installed on this machine (its port monitor is
// registered and the spooler knows the printer). Never throws.
bool PrinterInstalled();

// Installs the port monitor (copied into the system folder) and its port, the driver (the system's PostScript driver with our
// PPD) and the printer, replacing a printer of that name; makes it the
// user's default printer only when asked. Throws Failure(PrinterUnavailable)
// naming what the system lacks (no PostScript class driver, no local port
// monitor), Failure(UnexpectedError) when a step fails.
void InstallPrinter(bool makeDefault);

// Removes the printer, its driver and its port monitor, which tells the
// print watchers to end, and the file port of an earlier version with its
// folder, never following a link; what is not there is no error. Throws
// Failure(UnexpectedError) when a step fails.
void UninstallPrinter();

} // namespace Converter
