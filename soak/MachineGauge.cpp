#include "MachineGauge.h"

#include "Handle.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>

#include <vector>

namespace Soak {

namespace {

constexpr NTSTATUS InfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
constexpr auto SystemHandleInformationClass = static_cast<SYSTEM_INFORMATION_CLASS>(16);

using QuerySystem = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

QuerySystem QueryFunction()
{
    return reinterpret_cast<QuerySystem>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
}

// The answer grows between the two calls when processes start meanwhile.
std::vector<BYTE> Query(SYSTEM_INFORMATION_CLASS kind)
{
    QuerySystem query = QueryFunction();
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; query != nullptr && attempt < 8; ++attempt) {
        ULONG needed = 0;
        NTSTATUS status = query(kind, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            return buffer;
        }
        if (status != InfoLengthMismatch) {
            break;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return {};
}

std::string ReadLinuxFile(const std::string& path)
{
    // Files under /proc report no size: read until the end.
    Global::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

SIZE_T StatusField(const std::string& status, const std::string& name)
{
    size_t at = status.find(name + ":");
    return at == std::string::npos ? 0 : std::strtoul(status.c_str() + at + name.size() + 1, nullptr, 10);
}

} // namespace

std::string Gauge::Describe() const
{
 return "processes " + std::to_string(processes) + ", handles " + std::to_string(processHandles) +
           " (system table " + std::to_string(systemHandles) + "), private " + std::to_string(privateKb) +
           " KB, working set " + std::to_string(workingSetKb) + " KB, Wine server " + std::to_string(serverRssKb) + " KB resident, " + std::to_string(serverFiles) +
           " files open";
}

Gauge ReadGauge(unsigned long serverProcessId)
{
    Gauge gauge;
    std::vector<BYTE> processes = Query(SystemProcessInformation);
    for (size_t offset = 0; !processes.empty();) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(processes.data() + offset);
        // The soak's own records grow with every run; they are no one's leak.
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) != ::GetCurrentProcessId()) {
            ++gauge.processes;
            gauge.processHandles += entry->HandleCount;
            gauge.privateKb += entry->VirtualMemoryCounters.PagefileUsage / 1024;
            gauge.workingSetKb += entry->VirtualMemoryCounters.WorkingSetSize / 1024;
        }
        if (entry->NextEntryOffset == 0) {
            break;
        }
        offset += entry->NextEntryOffset;
    }
    std::vector<BYTE> handles = Query(SystemHandleInformationClass);
    if (handles.size() >= sizeof(ULONG)) {
        gauge.systemHandles = *reinterpret_cast<const ULONG*>(handles.data());
    }
    if (serverProcessId != 0) {
        std::string proc = "Z:\\proc\\" + std::to_string(serverProcessId);
        gauge.serverRssKb = StatusField(ReadLinuxFile(proc + "\\status"), "VmRSS");
        gauge.serverFiles = static_cast<ULONG>(CountEntries(proc + "\\fd"));
    }
    return gauge;
}

size_t CountEntries(const std::string& folder)
{
    size_t count = 0;
    WIN32_FIND_DATAA entry{};
    Global::FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &entry));
    while (search) {
        std::string name = entry.cFileName;
        count += name != "." && name != "..";
        if (!::FindNextFileA(search.Get(), &entry)) {
            break;
        }
    }
    return count;
}

std::vector<DWORD> ProcessesNamed(const char* image, const std::vector<DWORD>* among)
{
    std::vector<DWORD> ids;
    Global::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) {
        return ids;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        if (::lstrcmpiA(entry.szExeFile, image) == 0 &&
            (among == nullptr || std::find(among->begin(), among->end(), entry.th32ProcessID) != among->end())) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
}

} // namespace Soak
