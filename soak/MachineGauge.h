#pragma once
// What the machine holds at one moment: processes, open handles and memory,
// read through the system's own accounting (NtQuerySystemInformation) and,
// under Wine, from the Wine server's entry in /proc (drive Z:). Taken while
// no run is under way, every figure belongs to a long-lived process; the
// soak's own process is left out.
#include <windows.h>

#include <string>
#include <vector>

namespace Soak {

struct Gauge {
    ULONG processes = 0;
    ULONG processHandles = 0;    // the sum of every process's handle count
    ULONG systemHandles = 0;     // the system's handle table; 0 when it cannot be read
    SIZE_T privateKb = 0;        // the sum of every process's private bytes
    SIZE_T workingSetKb = 0;     // the sum of every process's working set
    SIZE_T serverRssKb = 0;      // the Wine server's resident memory; 0 when unknown
    ULONG serverFiles = 0;       // the Wine server's open file descriptors; 0 when unknown

    std::string Describe() const;
};

// serverProcessId: the Wine server's Linux process id, 0 when there is none.
Gauge ReadGauge(unsigned long serverProcessId);

// The ids of the processes of that image name ("gs.exe"), of all or among those given.
std::vector<DWORD> ProcessesNamed(const char* image, const std::vector<DWORD>* among = nullptr);

// How many entries a folder holds ("." and ".." aside); 0 when it is absent.
size_t CountEntries(const std::string& folder);

} // namespace Soak
