#include "ChildProcess.h"

#include <windows.h>

#include <stdexcept>

namespace TestSupport {

namespace {

bool SameName(const std::string& entry, const std::string& name)
{
    // Entries read NAME=value; names compare without regard to case.
    return entry.size() > name.size() && entry[name.size()] == '=' &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry.c_str(), static_cast<int>(name.size()),
                            name.c_str(), static_cast<int>(name.size())) == CSTR_EQUAL;
}

std::string BuildEnvironmentBlock(const Environment& overrides)
{
    std::string block;
    char* inherited = ::GetEnvironmentStringsA();
    for (const char* entry = inherited; entry != nullptr && *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1) {
        std::string text = entry;
        bool replaced = false;
        for (const auto& [name, value] : overrides) {
            replaced = replaced || SameName(text, name);
        }
        if (!replaced) {
            block += text;
            block += '\0';
        }
    }
    ::FreeEnvironmentStringsA(inherited);
    for (const auto& [name, value] : overrides) {
        block += name + "=" + value;
        block += '\0';
    }
    block += '\0';
    return block;
}

} // namespace

ChildProcess::ChildProcess(const std::string& commandLine, const Environment& overrides, const std::string& currentFolder)
{
    std::string environment = BuildEnvironmentBlock(overrides);
    std::string mutableCommandLine = commandLine; // CreateProcessA may write into it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          environment.data(), currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                          &info)) {
        throw std::runtime_error("Cannot start " + commandLine + " (error " + std::to_string(::GetLastError()) + ")");
    }
    Adopt(info);
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const Environment& overrides,
                           const std::string& currentFolder)
{
    // Without CREATE_UNICODE_ENVIRONMENT the block is read as ANSI text.
    std::string environment = BuildEnvironmentBlock(overrides);
    std::wstring mutableCommandLine = commandLine;
    std::wstring folder(currentFolder.size(), L'\0');
    folder.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, currentFolder.data(),
                                                            static_cast<int>(currentFolder.size()), folder.data(),
                                                            static_cast<int>(folder.size()))));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          environment.data(), folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        throw std::runtime_error("Cannot start a wide command line of " + std::to_string(commandLine.size()) +
                                 " characters (error " + std::to_string(::GetLastError()) + ")");
    }
    Adopt(info);
}

void ChildProcess::Adopt(const PROCESS_INFORMATION& info)
{
    // Started suspended so that it cannot start anything outside the job.
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
    if (HasExited()) {
        if (job_ != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION noLimits{};
            ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &noLimits, sizeof noLimits);
        }
    } else {
        Kill();
    }
    ::CloseHandle(process_);
    if (job_ != nullptr) {
        ::CloseHandle(job_);
    }
}

bool ChildProcess::HasExited() const
{
    return ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs)
{
    if (::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
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
    std::vector<DWORD> ids;
    for (DWORD i = 0; i < list.header.NumberOfProcessIdsInList; ++i) {
        ids.push_back(static_cast<DWORD>(list.header.ProcessIdList[i]));
    }
    return ids;
}

void ChildProcess::Kill()
{
    if (job_ != nullptr) {
        ::TerminateJobObject(job_, 0xDEAD);
    }
    if (!HasExited()) {
        ::TerminateProcess(process_, 0xDEAD);
    }
    ::WaitForSingleObject(process_, 10000);
}

} // namespace TestSupport
