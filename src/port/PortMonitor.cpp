// ArdenfoldPort.dll, the port monitor of the printer "Ardenfold PDF". The
// spooler hands it each job that despools to the port "ARDENFOLD:"; it
// writes the job into its owner's printed jobs folder (JobOwner), noting
// the marker that stood as printing began, where the owner's print watcher
// takes it. Nothing escapes a monitor function: a failure is reported to
// the event log and to the spooler as a failed call.
#include "AnsiText.h"
#include "Error.h"
#include "JobOwner.h"
#include "PrintedJob.h"
#include "SignalExchange.h"

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <optional>

namespace Port {

using namespace Global;

namespace {

constexpr wchar_t PortName[] = L"ARDENFOLD:";
constexpr wchar_t MonitorDescription[] = L"Ardenfold PDF port";

struct OpenPort {
    std::unique_ptr<SignalExchange::PrintedJobWriter> job;
    std::wstring printer;
    DWORD jobId = 0;
};

void Report(const std::wstring& what) noexcept
{
    ::OutputDebugStringW((L"ArdenfoldPort: " + what + L"\n").c_str());
    HANDLE source = ::RegisterEventSourceW(nullptr, L"Ardenfold Port");
    if (source) {
        const wchar_t* strings[] = {what.c_str()};
        ::ReportEventW(source, EVENTLOG_WARNING_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
        ::DeregisterEventSource(source);
    }
}

// Every monitor function's trap: the spooler hears of a failure as FALSE.
template <typename Step>
BOOL Guarded(const wchar_t* what, Step step) noexcept
{
    try {
        step();
        return TRUE;
    } catch (const Error& error) {
        Report(std::wstring(what) + L": " + error.Description());
    } catch (const std::bad_alloc&) {
        Report(std::wstring(what) + L": out of memory");
    } catch (...) {
        Report(std::wstring(what) + L": unexpected failure");
    }
    ::SetLastError(ERROR_PRINT_CANCELLED);
    return FALSE;
}

template <typename Info>
BOOL WINAPI EnumPortsOf(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned)
{
    DWORD strings = 0;
    if constexpr (std::is_same_v<Info, PORT_INFO_2W>) {
        strings = sizeof PortName + sizeof L"Ardenfold Port" + sizeof MonitorDescription;
    } else {
        strings = sizeof PortName;
    }
    *needed = sizeof(Info) + strings;
    *returned = 0;
    if (!buffer || size < *needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Info* info = reinterpret_cast<Info*>(buffer);
    *info = Info{};
    wchar_t* text = reinterpret_cast<wchar_t*>(buffer + sizeof(Info));
    auto place = [&](const wchar_t* value, size_t bytes) {
        std::memcpy(text, value, bytes);
        wchar_t* placed = text;
        text += bytes / sizeof(wchar_t);
        return placed;
    };
    if constexpr (std::is_same_v<Info, PORT_INFO_2W>) {
        info->pPortName = place(PortName, sizeof PortName);
        info->pMonitorName = place(L"Ardenfold Port", sizeof L"Ardenfold Port");
        info->pDescription = place(MonitorDescription, sizeof MonitorDescription);
        info->fPortType = PORT_TYPE_WRITE;
    } else {
        info->pName = place(PortName, sizeof PortName);
    }
    (void)level;
    *returned = 1;
    return TRUE;
}

BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)
{
    if (level == 1) {
        return EnumPortsOf<PORT_INFO_1W>(level, buffer, size, needed, returned);
    }
    if (level == 2) {
        return EnumPortsOf<PORT_INFO_2W>(level, buffer, size, needed, returned);
    }
    ::SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
}

BOOL WINAPI OpenPortFunction(HANDLE, LPWSTR name, PHANDLE handle)
{
    if (!name || ::lstrcmpiW(name, PortName) != 0) {
        ::SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    OpenPort* port = new (std::nothrow) OpenPort;
    if (!port) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *handle = port;
    return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR printer, DWORD jobId, DWORD, LPBYTE)
{
    OpenPort* port = static_cast<OpenPort*>(handle);
    return Guarded(L"A printed job was dropped", [&] {
        port->job.reset();
        port->printer = printer ? printer : L"";
        port->jobId = jobId;
        std::wstring signalFile = OwnersSignalFile();
        std::wstring folder = OwnersJobFolder(signalFile);
        // The run a job prints for is the one whose marker stands as it
        // begins: a job that began before a run placed its marker is not
        // that run's.
        port->job = std::make_unique<SignalExchange::PrintedJobWriter>(folder,
                                                                       SignalExchange::IdentifyMarker(signalFile));
    });
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written)
{
    OpenPort* port = static_cast<OpenPort*>(handle);
    *written = 0;
    if (!port->job) {
        ::SetLastError(ERROR_PRINT_CANCELLED);
        return FALSE;
    }
    BOOL done = Guarded(L"A printed job could not be written", [&] {
        port->job->Write(std::string_view(reinterpret_cast<const char*>(buffer), size));
    });
    if (done) {
        // A job over the size limit is taken whole all the same, and dropped:
        // the printing program finishes, its run hears why.
        *written = size;
    } else {
        port->job.reset();
    }
    return done;
}

BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read)
{
    *read = 0;
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// The spooler keeps a job in its queue until the port says it was sent.
void TellSpoolerSent(const OpenPort& port) noexcept
{
    if (port.printer.empty() || port.jobId == 0) {
        return; // Wine's spooler names neither, and keeps no queue
    }
    HANDLE printer = nullptr;
    if (::OpenPrinterW(const_cast<wchar_t*>(port.printer.c_str()), &printer, nullptr)) {
        ::SetJobW(printer, port.jobId, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
        ::ClosePrinter(printer);
    }
}

BOOL WINAPI EndDocPort(HANDLE handle)
{
    OpenPort* port = static_cast<OpenPort*>(handle);
    BOOL done = TRUE;
    if (port->job) {
        done = Guarded(L"A printed job could not be finished", [&] { port->job->Finish(); });
        port->job.reset();
    }
    TellSpoolerSent(*port);
    return done;
}

BOOL WINAPI ClosePort(HANDLE handle)
{
    delete static_cast<OpenPort*>(handle);
    return TRUE;
}

VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 Functions = [] {
    MONITOR2 functions{};
    functions.cbSize = sizeof functions;
    functions.pfnEnumPorts = EnumPorts;
    functions.pfnOpenPort = OpenPortFunction;
    functions.pfnStartDocPort = StartDocPort;
    functions.pfnWritePort = WritePort;
    functions.pfnReadPort = ReadPort;
    functions.pfnEndDocPort = EndDocPort;
    functions.pfnClosePort = ClosePort;
    functions.pfnShutdown = Shutdown;
    return functions;
}();

} // namespace

} // namespace Port

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor)
{
    static int instance = 0;
    *monitor = &instance;
    return &Port::Functions;
}
