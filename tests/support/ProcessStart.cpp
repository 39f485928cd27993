#include "ProcessStart.h"

#include "Files.h"

#include <winternl.h>

namespace TestSupport {

namespace {

// The 32-bit layout of RTL_USER_PROCESS_PARAMETERS, which winternl.h hides:
// the current folder's path at 0x24, the command line at 0x40.
constexpr SIZE_T CurrentFolderOffset = 0x24;
constexpr SIZE_T CommandLineOffset = 0x40;

using QueryInformation = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

template <typename T>
bool ReadRemote(HANDLE process, const void* address, T& value)
{
    SIZE_T read = 0;
    return ::ReadProcessMemory(process, address, &value, sizeof value, &read) && read == sizeof value;
}

std::optional<std::string> ReadRemoteText(HANDLE process, const BYTE* parameters, SIZE_T offset)
{
    UNICODE_STRING text{};
    if (!ReadRemote(process, parameters + offset, text) || text.Buffer == nullptr || text.Length == 0) {
        return std::nullopt;
    }
    std::wstring wide(text.Length / sizeof(wchar_t), L'\0');
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, text.Buffer, wide.data(), text.Length, &read) || read != text.Length) {
        return std::nullopt;
    }
    int size = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi.data(), size, nullptr, nullptr);
    return ansi;
}

std::optional<ProcessStart> TryRead(HANDLE process, QueryInformation query)
{
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 || basic.PebBaseAddress == nullptr ||
        !ReadRemote(process, basic.PebBaseAddress, peb) || peb.ProcessParameters == nullptr) {
        return std::nullopt;
    }
    auto* parameters = reinterpret_cast<const BYTE*>(peb.ProcessParameters);
    std::optional<std::string> line = ReadRemoteText(process, parameters, CommandLineOffset);
    std::optional<std::string> folder = ReadRemoteText(process, parameters, CurrentFolderOffset);
    if (!line || !folder) {
        return std::nullopt;
    }
    return ProcessStart{*line, *folder};
}

} // namespace

std::optional<ProcessStart> ReadProcessStart(DWORD processId, DWORD timeoutMs)
{
    auto query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    Global::KernelHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, processId));
    std::optional<ProcessStart> start;
    // A process caught at its very start may not have its parameters yet.
    WaitUntil([&] {
        return query == nullptr || !process || (start = TryRead(process.Get(), query)) ||
               ::WaitForSingleObject(process.Get(), 0) != WAIT_TIMEOUT;
    }, timeoutMs);
    return start;
}

} // namespace TestSupport
