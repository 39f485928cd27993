// Where CommandLine.exe's own milliseconds go: each step of its start-up
// and of the exchange, run in this process through the product's own
// functions, timed many times over. The product itself keeps no timestamps.
//   StageCosts [repetitions]
#include "ComApartment.h"
#include "FileProbes.h"
#include "OutputCheck.h"
#include "RunLock.h"
#include "SignalExchange.h"
#include "SignalFileLocation.h"
#include "SystemLocations.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Time(const char* stage, int repetitions, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        double start = Now();
        step();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-58s median %7.3f ms, range %7.3f .. %7.3f\n", stage, times[times.size() / 2], times.front(),
                times.back());
}

} // namespace

int main(int argc, char** argv)
{
    int repetitions = argc > 1 ? std::atoi(argv[1]) : 51;
    using namespace SignalExchange;
    std::printf("stage costs over %d repetitions:\n", repetitions);
    double start = Now();
    ::InitCommonControls();
    std::printf("  %-58s %7.3f ms (once)\n", "InitCommonControls, first call", Now() - start);
    start = Now();
    {
        Global::ComApartment first;
    }
    std::printf("  %-58s %7.3f ms (once)\n", "automation layer, first set-up and tear-down", Now() - start);
    Time("automation layer, set up and torn down", repetitions, [] { Global::ComApartment apartment; });

    Global::ComApartment apartment;
    Time("one shell lookup (GetShellFolderPath 35)", repetitions,
         [] { Global::GetShellFolderPath(CommonAppDataFolder); });
    std::wstring dataFolder;
    Time("data folder (three lookups when it exists)", repetitions,
         [&] { dataFolder = ResolveDataFolder(BuildAppFolderName()); });
    Time("one folder test (FolderExists of the data folder)", repetitions,
         [&] { Global::FolderExists(dataFolder); });
    std::wstring signal;
    Time("working folder and signal file path", repetitions, [&] { signal = ResolveSignalFilePath(dataFolder); });
    Time("program folder", repetitions, [] { Global::GetProgramFolder(); });
    Time("run lock, taken and let go", repetitions, [&] {
        Ardenfold_API::RunLock lock;
        lock.Acquire(signal);
    });
    Time("stale signal file, none there", repetitions, [&] { ClearStaleFile(signal); });
    Time("output state, nothing there", repetitions,
         [&] { Ardenfold_API::ReadDocumentState(signal + L".none"); });
    Time("marker placed and withdrawn", repetitions, [&] {
        PlaceMarker(signal);
        WithdrawMarker(signal);
    });
    Time("wait for a marker already taken", repetitions,
         [&] { WaitUntilMarkerTaken(signal, std::chrono::seconds(1)); });
    Time("marker again, hand-over, removal", repetitions, [&] {
        PlaceMarkerAgain(signal);
        HandOverPath(signal, L"C:\\out.pdf");
        RemoveIfFree(signal);
    });
    PlaceMarker(signal);
    Ardenfold_API::DocumentState before = Ardenfold_API::ReadDocumentState(signal);
    Time("output state before, a file there", repetitions, [&] { Ardenfold_API::ReadDocumentState(signal); });
    Time("output check after, the same file", repetitions, [&] { Ardenfold_API::IsNewDocument(before, signal); });
    WithdrawMarker(signal);
    Time("removal, nothing there", repetitions, [&] { RemoveIfFree(signal); });
    return 0;
}
