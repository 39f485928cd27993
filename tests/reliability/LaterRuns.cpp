#include "LaterRuns.h"

#include "Files.h"
#include "StandInLog.h"

#include <algorithm>

namespace Reliability {

using namespace TestSupport;

namespace {

constexpr DWORD PollMs = 20;

bool SameName(const std::string &a, const std::string &b)
{
    return ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// The child's environment block takes every variable given; a later one of
// the same name must replace, not follow, an earlier one.
Environment LastOfEachName(const Environment &variables)
{
    Environment kept;
    for (const auto &variable : variables) {
        std::erase_if(kept, [&](const auto &earlier) { return SameName(earlier.first, variable.first); });
        kept.push_back(variable);
    }
    return kept;
}

} // namespace

std::wstring Wide(const std::string &ansi)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox &sandbox, const std::wstring &arguments,
                                               const Environment &extra)
{
    std::wstring commandLine = L"\"" + Wide(sandbox.CommandLineExe()) + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    return std::make_unique<ChildProcess>(commandLine, LastOfEachName(SandboxEnvironment(sandbox, extra)),
                                          sandbox.Root());
}

std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox &sandbox, const std::string &arguments,
                                               const Environment &extra)
{
    return StartCommandLine(sandbox, Wide(arguments), extra);
}

RunResult Finish(ChildProcess &run, const std::vector<int> &answers, DWORD timeoutMs)
{
    RunOptions options = Answering(answers);
    options.timeoutMs = timeoutMs;
    return FinishRun(run, "(pid " + std::to_string(run.Id()) + ")", options);
}

bool WaitForRecords(const Sandbox &sandbox, const std::string &role, size_t count, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        std::vector<StandIn::RunRecord> records = StandIn::ReadLog(sandbox.LogFile());
        size_t found = static_cast<size_t>(
            std::count_if(records.begin(), records.end(), [&](const auto &record) { return record.role == role; }));
        if (found >= count) {
            return true;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(PollMs);
    }
}

bool WaitUntilAbsent(const std::string &path, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (PathExists(path)) {
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(PollMs);
    }
    return true;
}

} // namespace Reliability
