#include "CommandLineRun.h"

#include <gtest/gtest.h>

namespace TestSupport {

namespace {

DWORD Remaining(DWORD start, DWORD bound)
{
    DWORD spent = ::GetTickCount() - start;
    return spent >= bound ? 0 : bound - spent;
}

} // namespace

RunOptions Answering(std::vector<int> answers, Environment environment)
{
    RunOptions options;
    options.answers = std::move(answers);
    options.environment = std::move(environment);
    return options;
}

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
    };
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
}

RunResult RunCommandLine(const Sandbox& sandbox, const std::string& arguments, const RunOptions& options)
{
    std::string commandLine = "\"" + sandbox.CommandLineExe() + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    ChildProcess child(commandLine, SandboxEnvironment(sandbox, options.environment), sandbox.Root());
    return FinishRun(child, arguments, options);
}

RunResult FinishRun(ChildProcess& child, const std::string& what, const RunOptions& options)
{
    RunResult result;
    DWORD start = ::GetTickCount();
    size_t answered = 0;
    HWND previous = nullptr;
    while (result.problem.empty()) {
        if (auto code = child.WaitForExit(0)) {
            result.exited = true;
            result.exitCode = *code;
            break;
        }
        std::optional<SeenBox> box = WaitForMessageBox(child, Remaining(start, options.timeoutMs), previous);
        if (!box) {
            if (!child.HasExited()) {
                result.problem = "no end within " + std::to_string(options.timeoutMs) + " ms";
            }
            continue;
        }
        result.boxes.push_back(*box);
        if (answered == options.answers.size()) {
            result.problem = "a box beyond the " + std::to_string(answered) + " expected";
            continue;
        }
        PressButton(*box, options.answers[answered++]);
        previous = box->window;
    }
    if (result.exited && answered < options.answers.size()) {
        result.problem = std::to_string(options.answers.size() - answered) + " expected box(es) never shown";
    }
    if (!result.problem.empty()) {
        if (!result.exited) {
            child.Kill();
        }
        ADD_FAILURE() << "CommandLine.exe " << what << ": " << result.problem << "\n" << result.DescribeBoxes();
    }
    return result;
}

} // namespace TestSupport
