#include "MessageBoxProbe.h"

#include "Files.h"

#include <algorithm>

namespace TestSupport {

namespace {

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && ::IsWindowVisible(window) && std::string(className) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A message to another process's window, answered within a second: a
// process whose thread hangs cannot hang the caller. 0 when unanswered.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 1000, &answer) == 0) {
        return 0;
    }
    return static_cast<LRESULT>(answer);
}

std::string WindowText(HWND window)
{
    if (window == nullptr) {
        return {};
    }
    // WM_GETTEXT crosses the process boundary; GetWindowTextA would not
    // read a control of another process.
    int length = static_cast<int>(Ask(window, WM_GETTEXTLENGTH));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = static_cast<int>(Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

} // namespace

bool SeenBox::Has(int button) const
{
    return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

std::string SeenBox::Describe() const
{
    std::string description = "\"" + title + "\" | \"" + text + "\" |";
    for (int b : buttons) {
        description += " [" + ButtonName(b) + "]";
    }
    for (size_t at = 0; (at = description.find('\n', at)) != std::string::npos;) {
        description.replace(at, 1, "\\n");
    }
    return description;
}

std::optional<SeenBox> FindMessageBox(DWORD processId)
{
    Search search{processId, nullptr};
    ::EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        return std::nullopt;
    }
    SeenBox box{search.found, WindowText(search.found), WindowText(::GetDlgItem(search.found, 0xFFFF)), {}};
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = ::GetDlgItem(search.found, id);
        if (button != nullptr && (::GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) != 0) {
            box.buttons.push_back(id);
        }
    }
    // A dialog answers DM_GETDEFID with its default button's id in the low word.
    LRESULT defaultId = Ask(search.found, DM_GETDEFID);
    if (HIWORD(defaultId) == DC_HASDEFID &&
        std::find(box.buttons.begin(), box.buttons.end(), LOWORD(defaultId)) != box.buttons.end()) {
        box.defaultButton = LOWORD(defaultId);
    } else if (!box.buttons.empty()) {
        box.defaultButton = box.buttons.front();
    }
    return box;
}

std::optional<SeenBox> WaitForMessageBox(const ChildProcess& child, DWORD timeoutMs, HWND previous)
{
    std::optional<SeenBox> box;
    auto fresh = [&] { return box && box->window != previous; };
    WaitUntil([&] { return (box = FindMessageBox(child.Id()), fresh()) || child.HasExited(); }, timeoutMs);
    return fresh() ? box : std::nullopt;
}

void PressButton(const SeenBox& box, int button)
{
    // The dialog's own answer to a click, needing neither focus nor mouse.
    HWND control = ::GetDlgItem(box.window, button);
    ::PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

std::string ButtonName(int button)
{
    return button == IDOK ? "OK" : button == IDCANCEL ? "Cancel" : button == IDYES ? "Yes" : button == IDNO ? "No" : "?";
}

} // namespace TestSupport
