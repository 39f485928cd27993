#include "PrinterSetup.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "FileContent.h"
#include "FileProbes.h"
#include "Handle.h"
#include "MachineFolders.h"
#include "NoFollow.h"
#include "SignalFileLocation.h"
#include "SystemLocations.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace Converter {

using namespace Global;

// No *Font entries: with no device fonts the driver sends every font the
// document uses, so the text stays text whatever the PDF's reader has.
const char PrinterPpd[] = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "ARDENFLD.PPD"
*Manufacturer: "Marrowgate"
*Product: "(Ardenfold PDF)"
*PSVersion: "(3010.000) 0"
*ModelName: "Ardenfold PDF"
*ShortNickName: "Ardenfold PDF"
*NickName: "Ardenfold PDF"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*TTRasterizer: Type42
*LandscapeOrientation: Plus90
*FreeVM: "33554432"
*DefaultResolution: 600dpi
*OpenUI *PageSize: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: Letter
*PageSize Letter/Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*PageSize Legal/Legal: "<</PageSize[612 1008]/ImagingBBox null>>setpagedevice"
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageSize A3/A3: "<</PageSize[842 1191]/ImagingBBox null>>setpagedevice"
*PageSize A5/A5: "<</PageSize[420 595]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: Letter
*PageRegion Letter/Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*PageRegion Legal/Legal: "<</PageSize[612 1008]/ImagingBBox null>>setpagedevice"
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageRegion A3/A3: "<</PageSize[842 1191]/ImagingBBox null>>setpagedevice"
*PageRegion A5/A5: "<</PageSize[420 595]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: Letter
*ImageableArea Letter/Letter: "0 0 612 792"
*ImageableArea Legal/Legal: "0 0 612 1008"
*ImageableArea A4/A4: "0 0 595 842"
*ImageableArea A3/A3: "0 0 842 1191"
*ImageableArea A5/A5: "0 0 420 595"
*DefaultPaperDimension: Letter
*PaperDimension Letter/Letter: "612 792"
*PaperDimension Legal/Legal: "612 1008"
*PaperDimension A4/A4: "595 842"
*PaperDimension A3/A3: "842 1191"
*PaperDimension A5/A5: "420 595"
)PPD";

namespace {

// The one monitor that takes a file path as a port, on Windows and in Wine.
constexpr char LocalPortMonitor[] = ",XcvMonitor Local Port";

struct PrinterHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    // Only a handle the loaded spooler gave is ever closed.
    static void Close(Type h) noexcept { ::ClosePrinter(h); }
};
using PrinterHandle = UniqueHandle<PrinterHandleTraits>;

[[noreturn]] void Fail(const std::wstring& what, DWORD code)
{
    ThrowFailure(ExitCode::UnexpectedError, what, code);
}

bool UnderWine()
{
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::wstring DriverFolder()
{
    char folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder,
                                                 &needed)) {
        Fail(L"The printer driver folder cannot be found", ::GetLastError());
    }
    return FromAnsi(folder);
}

PrinterHandle OpenPortMonitor()
{
    PRINTER_DEFAULTSA access{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    PrinterHandle monitor;
    if (!::OpenPrinterA(const_cast<char*>(LocalPortMonitor), monitor.Put(), &access)) {
        DWORD code = ::GetLastError();
        throw Failure(ExitCode::PrinterUnavailable,
                      L"The system's local port monitor cannot be opened (" + SystemMessage(code) +
                          L"), so the printer has no port.");
    }
    return monitor;
}

// XcvData has no ANSI form: the port's name goes to it as UTF-16.
DWORD PortCommand(HANDLE monitor, const wchar_t* command, const std::wstring& port)
{
    DWORD needed = 0;
    DWORD status = 0;
    if (!::XcvDataW(monitor, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port.c_str())),
                    static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed, &status)) {
        return ::GetLastError();
    }
    return status;
}

constexpr wchar_t MonitorsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors";

std::wstring SystemFolder()
{
    char folder[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        Fail(L"The system folder cannot be found", ::GetLastError());
    }
    return FromAnsi(folder);
}

// The monitor goes where the spooler loads monitors from, the system folder,
// from the program's own folder. Its one port is made known in the
// monitor's key, where Wine's spooler looks for it; Windows' asks the
// monitor itself.
void InstallPortMonitor()
{
    std::wstring source = GetProgramFolder() + L"\\" + PortMonitorFile;
    std::wstring installed = SystemFolder() + L"\\" + PortMonitorFile;
    if (!::CopyFileA(ToAnsi(source).c_str(), ToAnsi(installed).c_str(), FALSE)) {
        DWORD code = ::GetLastError();
        // A spooler that has the monitor loaded keeps its file in use: the
        // same version may stay, a new one replaces it at the next start.
        if (code != ERROR_SHARING_VIOLATION || !FileExists(installed)) {
            Fail(L"The port monitor \"" + source + L"\" cannot be copied to \"" + installed + L"\"", code);
        }
        std::string pending = ToAnsi(installed + L".new");
        if (!::CopyFileA(ToAnsi(source).c_str(), pending.c_str(), FALSE) ||
            !::MoveFileExA(pending.c_str(), ToAnsi(installed).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
            Fail(L"The port monitor \"" + installed + L"\" cannot be replaced", ::GetLastError());
        }
    }
    MONITOR_INFO_2W info{const_cast<wchar_t*>(PortMonitorName), nullptr, const_cast<wchar_t*>(PortMonitorFile)};
    if (!::AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
        DWORD code = ::GetLastError();
        if (code != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) {
            throw Failure(ExitCode::PrinterUnavailable, L"The port monitor \"" + installed +
                                                            L"\" cannot be added to the spooler: " +
                                                            SystemMessage(code));
        }
    }
    HKEY port = nullptr;
    std::wstring portKey = std::wstring(MonitorsKey) + L"\\" + PortMonitorName + L"\\Ports\\" + PrinterPortName;
    LSTATUS status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, portKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_WRITE, nullptr, &port, nullptr);
    if (status != ERROR_SUCCESS) {
        Fail(L"The port \"" + std::wstring(PrinterPortName) + L"\" cannot be registered", status);
    }
    ::RegCloseKey(port);
}

// Earlier versions printed to a file port in a folder under the common
// application data, which any user could have replaced by a link. It goes
// without ever deleting through a link: a link in its place goes itself, a
// link above it stops the removal.
void RemoveOldFilePort()
{
    const std::wstring dataFolder = SignalExchange::MachineDataFolder();
    if (dataFolder.empty()) {
        return;
    }
    std::wstring folder = dataFolder + L"\\Printer";
    std::wstring portFile = folder + L"\\Ardenfold.ps";
    try {
        PrinterHandle monitor = OpenPortMonitor();
        PortCommand(monitor.Get(), L"DeletePort", portFile);
    } catch (const Failure&) {
        // no local port monitor, so no such port either
    }
    // Each folder above it is held as itself, so that none can be swapped
    // for a link while the folder goes; a link above it stops the removal.
    try {
        std::wstring maker = folder.substr(0, folder.rfind(L'\\', folder.rfind(L'\\') - 1));
        NoFollowEntry makerEntry = OpenNoFollow(maker, FILE_READ_ATTRIBUTES, false);
        NoFollowEntry application =
            OpenNoFollow(folder.substr(0, folder.rfind(L'\\')), FILE_READ_ATTRIBUTES, false);
        if (makerEntry.handle && !makerEntry.isLink && application.handle && !application.isLink) {
            DeleteTreeNoFollow(folder);
        }
    } catch (const Error&) {
        // A link that cannot be taken away without following it stays, and
        // so does what it points to: the printer is removed all the same.
    }
}

void InstallDriver(const std::wstring& ppdPath)
{
    std::string name = ToAnsi(PrinterDriverName);
    std::string ppd = ToAnsi(ppdPath);
    std::string driver;
    std::string config;
    std::string help;
    std::vector<char> dependent{'\0', '\0'};
    if (UnderWine()) {
        driver = config = "wineps.drv";
    } else {
        // The PostScript class driver comes with Windows, but only lands in
        // the driver folder once some PostScript printer used it.
        std::wstring folder = DriverFolder();
        if (!FileExists(folder + L"\\PSCRIPT5.DLL") || !FileExists(folder + L"\\PS5UI.DLL")) {
            throw Failure(ExitCode::PrinterUnavailable,
                          L"Windows' PostScript printer driver (PSCRIPT5.DLL, PS5UI.DLL) is not in \"" + folder +
                              L"\", so the Ardenfold PDF printer cannot be added. Add any PostScript printer "
                              L"through Settings once, then run \"PDFCreator.exe /AddPrinter\" again.");
        }
        driver = "PSCRIPT5.DLL";
        config = "PS5UI.DLL";
        help = "PSCRIPT.HLP";
        const char ntf[] = "PSCRIPT.NTF";
        dependent.assign(ntf, ntf + sizeof ntf);
        dependent.push_back('\0');
    }
    DRIVER_INFO_3A info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = driver.data();
    info.pDataFile = ppd.data();
    info.pConfigFile = config.data();
    info.pHelpFile = help.empty() ? nullptr : help.data();
    info.pDependentFiles = dependent.data();
    char raw[] = "RAW";
    info.pDefaultDataType = raw;
    if (!::AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES)) {
        Fail(L"The printer driver \"" + std::wstring(PrinterDriverName) + L"\" cannot be installed", ::GetLastError());
    }
}

PrinterHandle OpenOurPrinter()
{
    std::string name = ToAnsi(PrinterName);
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    PrinterHandle printer;
    ::OpenPrinterA(name.data(), printer.Put(), &access);
    return printer;
}

void DeleteOurPrinter()
{
    PrinterHandle printer = OpenOurPrinter();
    if (printer && !::DeletePrinter(printer.Get())) {
        Fail(L"The printer \"" + std::wstring(PrinterName) + L"\" cannot be removed", ::GetLastError());
    }
}

} // namespace

bool PortMonitorInstalled()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(MonitorsKey) + L"\\" + PortMonitorName).c_str(), 0,
                        KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

bool PrinterInstalled()
{
    // The monitor's key first: a machine without the printer pays no
    // spooler call.
    if (!PortMonitorInstalled()) {
        return false;
    }
    try {
        return static_cast<bool>(OpenOurPrinter());
    } catch (const Failure&) {
        return false; // no spooler
    }
}

void InstallPrinter(bool makeDefault)
{
    SecureMachineFolders();
    RemoveOldFilePort();
    InstallPortMonitor();
    // Where the spooler looks for a driver's files: it takes them into the
    // driver's version folder from there.
    std::wstring ppdPath = DriverFolder() + L"\\Ardenfold.ppd";
    WriteFileBytes(ppdPath, PrinterPpd);
    InstallDriver(ppdPath);
    DeleteOurPrinter();

    std::wstring port = PrinterPortName;
    std::string name = ToAnsi(PrinterName);
    std::string portName = ToAnsi(port);
    std::string driverName = ToAnsi(PrinterDriverName);
    char processor[] = "WinPrint";
    char raw[] = "RAW";
    char comment[] = "Prints to PDF through Ardenfold";
    PRINTER_INFO_2A info{};
    info.pPrinterName = name.data();
    info.pPortName = portName.data();
    info.pDriverName = driverName.data();
    info.pComment = comment;
    info.pPrintProcessor = processor;
    info.pDatatype = raw;
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    PrinterHandle printer(::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!printer) {
        Fail(L"The printer \"" + std::wstring(PrinterName) + L"\" cannot be added", ::GetLastError());
    }
    if (makeDefault && !::SetDefaultPrinterA(name.c_str())) {
        Fail(L"The printer \"" + std::wstring(PrinterName) + L"\" cannot be made the default", ::GetLastError());
    }
}

void UninstallPrinter()
{
    DeleteOurPrinter();
    std::string driverName = ToAnsi(PrinterDriverName);
    if (!::DeletePrinterDriverA(nullptr, nullptr, driverName.data())) {
        DWORD code = ::GetLastError();
        if (code != ERROR_UNKNOWN_PRINTER_DRIVER) {
            Fail(L"The printer driver \"" + std::wstring(PrinterDriverName) + L"\" cannot be removed", code);
        }
    }
    // Its watchers end once the monitor is gone.
    if (!::DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(PortMonitorName))) {
        DWORD code = ::GetLastError();
        if (code != ERROR_UNKNOWN_PRINT_MONITOR) {
            Fail(L"The port monitor \"" + std::wstring(PortMonitorName) + L"\" cannot be removed", code);
        }
    }
    std::string installed = ToAnsi(SystemFolder() + L"\\" + PortMonitorFile);
    // The spooler may still hold it: it goes at the next start then.
    if (!::DeleteFileA(installed.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
        ::MoveFileExA(installed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    RemoveOldFilePort();
}

} // namespace Converter
