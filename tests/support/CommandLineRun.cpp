#include "CommandLineRun.h"

#include <gtest/gtest.h>

namespace TestSupport {

std::string RunResult::DescribeBoxes() const
{
    std::string description;
    for (const SeenBox& box : boxes) {
        description += "  box: " + box.Describe() + "\n";
    }
    return description.empty() ? "  (no box)\n" : description;
}

Environment SandboxEnvironment(const Sandbox& sandbox, const Environment& extra)
{
    Environment environment = {
        {"TMP", sandbox.TempFolder()},
        {"TEMP", sandbox.TempFolder()},
        {"STANDIN_LOG", sandbox.LogFile()},
        // The real converter keeps its spool and log in the sandbox, not the user's.
        {"ARDENFOLD_CONVERTER_FOLDER", sandbox.Root() + "\\converter"},
    };
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
}

std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox& sandbox, const std::wstring& arguments,
                                               const Environment& extra, const std::string& desktop)
{
    std::wstring commandLine = L"\"" + Wide(sandbox.CommandLineExe()) + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    return std::make_unique<ChildProcess>(commandLine, SandboxEnvironment(sandbox, extra), sandbox.Root(), desktop);
}

std::unique_ptr<ChildProcess> StartCommandLine(const Sandbox& sandbox, const std::string& arguments,
                                               const Environment& extra)
{
    return StartCommandLine(sandbox, Wide(arguments), extra);
}

RunResult FinishRun(ChildProcess& child, const std::vector<int>& answers, DWORD timeoutMs)
{
    RunResult result;
    std::string problem;
    DWORD start = ::GetTickCount();
    HWND previous = nullptr;
    while (problem.empty()) {
        if (auto code = child.WaitForExit(0)) {
            result.exited = true;
            result.exitCode = *code;
            break;
        }
        DWORD spent = ::GetTickCount() - start;
        std::optional<SeenBox> box = WaitForMessageBox(child, spent >= timeoutMs ? 0 : timeoutMs - spent, previous);
        if (!box) {
            problem = child.HasExited() ? "" : "no end within " + std::to_string(timeoutMs) + " ms";
        } else if (result.boxes.push_back(*box); result.boxes.size() > answers.size()) {
            problem = "a box beyond the " + std::to_string(answers.size()) + " expected";
        } else {
            PressButton(*box, answers[result.boxes.size() - 1]);
            previous = box->window;
        }
    }
    if (result.exited && result.boxes.size() < answers.size()) {
        problem = std::to_string(answers.size() - result.boxes.size()) + " expected box(es) never shown";
    }
    if (!problem.empty()) {
        child.Kill();
        ADD_FAILURE() << "CommandLine.exe (pid " << child.Id() << "): " << problem << "\n" << result.DescribeBoxes();
    }
    return result;
}

RunResult RunCommandLine(const Sandbox& sandbox, const std::string& arguments, const std::vector<int>& answers,
                         const Environment& extra, DWORD timeoutMs)
{
    return FinishRun(*StartCommandLine(sandbox, arguments, extra), answers, timeoutMs);
}

} // namespace TestSupport
