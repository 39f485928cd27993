// RunCommandLine.exe: runs CommandLine.exe for a caller that has no eyes on
// the display, such as scripts/convert under Wine. Every message box that
// CommandLine.exe shows is written to standard output (title and text) and
// answered with its default button, as Enter would; the run is bounded, and
// a run that outlasts the bound is killed with whatever it started.
//
//   RunCommandLine.exe [--timeout SECONDS] COMMANDLINE_EXE [ARGUMENTS]
//
// ARGUMENTS is one argument, handed to CommandLine.exe exactly as it is after
// one space. Ends with CommandLine.exe's exit code; 124 when the bound was
// reached, 125 when CommandLine.exe could not be started, 64 for a usage error.
#include "ChildProcess.h"
#include "ConsoleText.h"
#include "MessageBoxProbe.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int UsageError = 64;
constexpr int TimedOut = 124;
constexpr int NotStarted = 125;
constexpr DWORD DefaultLimitSeconds = 600;
// A click posted before the box is ready to take it is lost: the same box
// still up after this long is clicked again.
constexpr DWORD ReclickMs = 2000;

void Say(const std::wstring& text) { Tools::WriteText(STD_OUTPUT_HANDLE, text); }
void Complain(const std::wstring& text) { Tools::WriteText(STD_ERROR_HANDLE, L"RunCommandLine: " + text + L"\n"); }

void ShowBox(const TestSupport::SeenBox& box)
{
    std::wstring text = L"Message box \"" + Tools::FromAnsi(box.title) + L"\":\n";
    std::wstring body = Tools::FromAnsi(box.text);
    size_t start = 0;
    for (;;) {
        size_t end = body.find(L'\n', start);
        std::wstring line = body.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        text += L"    " + line + L"\n";
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    std::string answer = box.defaultButton != 0 ? TestSupport::ButtonName(box.defaultButton) : "closed (no button)";
    text += L"  answered: " + Tools::FromAnsi(answer) + L"\n";
    Say(text);
}

void Answer(const TestSupport::SeenBox& box)
{
    if (box.defaultButton != 0) {
        TestSupport::PressButton(box, box.defaultButton);
    } else {
        ::PostMessageA(box.window, WM_CLOSE, 0, 0);
    }
}

int Run(const std::wstring& program, const std::wstring& arguments, DWORD limitMs)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    TestSupport::ChildProcess child(commandLine, {}, {});
    DWORD start = ::GetTickCount();
    HWND answered = nullptr;
    DWORD answeredAt = 0;
    for (;;) {
        if (auto code = child.WaitForExit(50)) {
            return static_cast<int>(*code);
        }
        DWORD now = ::GetTickCount();
        if (now - start >= limitMs) {
            child.Kill();
            Complain(L"CommandLine.exe did not end within " + std::to_wstring(limitMs / 1000) +
                     L" s; it and everything it started were stopped");
            return TimedOut;
        }
        std::optional<TestSupport::SeenBox> box = TestSupport::FindMessageBox(child.Id());
        if (!box) {
            continue;
        }
        if (box->window != answered) {
            ShowBox(*box);
            Answer(*box);
            answered = box->window;
            answeredAt = now;
        } else if (now - answeredAt >= ReclickMs) {
            Answer(*box);
            answeredAt = now;
        }
    }
}

} // namespace

int wmain()
{
    std::vector<std::wstring> arguments = Tools::Arguments();
    DWORD limitSeconds = DefaultLimitSeconds;
    size_t next = 0;
    if (arguments.size() >= 2 && arguments[0] == L"--timeout") {
        limitSeconds = static_cast<DWORD>(std::wcstoul(arguments[1].c_str(), nullptr, 10));
        next = 2;
    }
    if (arguments.size() < next + 1 || arguments.size() > next + 2 || limitSeconds == 0) {
        Complain(L"usage: RunCommandLine.exe [--timeout SECONDS] COMMANDLINE_EXE [ARGUMENTS]");
        return UsageError;
    }
    try {
        return Run(arguments[next], arguments.size() > next + 1 ? arguments[next + 1] : std::wstring(),
                   limitSeconds * 1000);
    } catch (const std::exception& error) {
        Complain(Tools::FromAnsi(error.what()));
        return NotStarted;
    }
}
