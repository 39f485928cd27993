// The print run of the soak's "killed print run": it runs the real
// converter's /PrintFile, so that the job reaches the spool and the marker
// goes as in any run, says so through the named event, and then stays until
// the soak kills it. It never outstays a minute on its own.
// Usage: SoakPrintRun.exe "<PDFCreator.exe>" "<document>" <event name>
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr || count != 4) {
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(arguments[1]) + L"\" /PrintFile \"" + arguments[2] + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return 3;
    }
    ::WaitForSingleObject(info.hProcess, 60000);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    HANDLE printed = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[3]);
    if (printed != nullptr) {
        ::SetEvent(printed);
        ::CloseHandle(printed);
    }
    ::Sleep(60000);
    return 0;
}
