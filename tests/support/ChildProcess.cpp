#include "ChildProcess.h"

#include <stdexcept>

namespace TestSupport {

namespace {

std::string NameOf(const std::string& entry)
{
    // Entries such as "=C:=C:\" have their '=' past the first character.
    return entry.substr(0, entry.find('=', 1));
}

// ANSI text, as CreateProcessW reads a block without CREATE_UNICODE_ENVIRONMENT.
std::string BuildEnvironmentBlock(const Environment& overrides)
{
    std::vector<std::string> entries;
    auto put = [&](const std::string& entry) {
        std::erase_if(entries, [&](const std::string& earlier) {
            return ::lstrcmpiA(NameOf(earlier).c_str(), NameOf(entry).c_str()) == 0;
        });
        entries.push_back(entry);
    };
    char* inherited = ::GetEnvironmentStringsA();
    for (const char* entry = inherited; *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1) {
        put(entry);
    }
    ::FreeEnvironmentStringsA(inherited);
    for (const auto& [name, value] : overrides) {
        put(name + "=" + value);
    }
    std::string block;
    for (const std::string& entry : entries) {
        block += entry + '\0';
    }
    return block + '\0';
}

} // namespace

std::wstring Wide(const std::string& ansi)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const Environment& overrides,
                           const std::string& currentFolder, const std::string& desktop)
{
    std::string environment = BuildEnvironmentBlock(overrides);
    std::wstring mutableCommandLine = commandLine; // CreateProcessW may write into it
    std::wstring folder = Wide(currentFolder);
    std::wstring desktopName = Wide(desktop);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktopName.empty() ? nullptr : desktopName.data();
    PROCESS_INFORMATION info{};
    // Suspended, so that it cannot start anything before it is in the job.
    if (!::CreateProcessW(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          environment.data(), folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        throw std::runtime_error("Cannot start a command line of " + std::to_string(commandLine.size()) +
                                 " characters (error " + std::to_string(::GetLastError()) + ")");
    }
    job_ = ::CreateJobObjectA(nullptr, nullptr);
    if (job_ != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        ::AssignProcessToJobObject(job_, info.hProcess);
    }
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess()
{
    if (!HasExited()) {
        Kill();
    } else if (job_ != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION noLimits{};
        ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &noLimits, sizeof noLimits);
    }
    ::CloseHandle(process_);
    if (job_ != nullptr) {
        ::CloseHandle(job_);
    }
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs)
{
    DWORD code = 0;
    if (::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0 || !::GetExitCodeProcess(process_, &code)) {
        return std::nullopt;
    }
    return code;
}

std::vector<DWORD> ChildProcess::ProcessesInJob() const
{
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST header;
        ULONG_PTR more[63];
    } list{};
    if (job_ == nullptr ||
        !::QueryInformationJobObject(job_, JobObjectBasicProcessIdList, &list, sizeof list, nullptr)) {
        return {};
    }
    return std::vector<DWORD>(list.header.ProcessIdList, list.header.ProcessIdList + list.header.NumberOfProcessIdsInList);
}

DWORD ChildProcess::ProcessesStarted() const
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (job_ == nullptr || !::QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &accounting,
                                                        sizeof accounting, nullptr)) {
        return 0;
    }
    return accounting.TotalProcesses;
}

void ChildProcess::Kill()
{
    if (job_ != nullptr) {
        ::TerminateJobObject(job_, 0xDEAD);
    }
    ::TerminateProcess(process_, 0xDEAD);
    ::WaitForSingleObject(process_, 10000);
}

} // namespace TestSupport
