#include "CommandLineWords.h"
#include "ConverterMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Unattended: no system dialog may ever wait for a user.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    return Converter::Main(Converter::CommandLineWords(::GetCommandLineW()));
}
