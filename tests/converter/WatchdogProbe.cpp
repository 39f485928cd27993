// A conversion that takes its time, for the watchdog's tests:
// WatchdogProbe <time limit in milliseconds> <milliseconds the conversion takes>
#include "ConversionWatchdog.h"

#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    Converter::RunReport report;
    report.job = L"probe.job";
    report.document = L"probe.txt";
    {
        Converter::ConversionWatchdog watchdog(report, std::strtoul(argv[1], nullptr, 10));
        ::Sleep(std::strtoul(argv[2], nullptr, 10));
    }
    return 0;
}
