#include "MessageBoxProbe.h"

#include <array>

namespace TestSupport {

namespace {

constexpr int TextControlId = 0xFFFF;
constexpr std::array<int, 4> KnownButtons = {IDOK, IDCANCEL, IDYES, IDNO};
constexpr DWORD PollMs = 20;

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

std::string WindowText(HWND window)
{
    if (window == nullptr) {
        return {};
    }
    // WM_GETTEXT crosses the process boundary; GetWindowTextA would not
    // read a control of another process.
    int length = static_cast<int>(::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = static_cast<int>(::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    return text;
}

std::string Shown(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        shown += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    }
    return shown;
}

} // namespace

bool SeenBox::Has(int button) const
{
    for (int b : buttons) {
        if (b == button) {
            return true;
        }
    }
    return false;
}

std::string SeenBox::Describe() const
{
    std::string description = "\"" + Shown(title) + "\" | \"" + Shown(text) + "\" |";
    for (int b : buttons) {
        description += " [" + ButtonName(b) + "]";
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
    SeenBox box;
    box.window = search.found;
    box.title = WindowText(search.found);
    box.text = WindowText(::GetDlgItem(search.found, TextControlId));
    for (int id : KnownButtons) {
        HWND button = ::GetDlgItem(search.found, id);
        if (button != nullptr && (::GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) != 0) {
            box.buttons.push_back(id);
        }
    }
    return box;
}

std::optional<SeenBox> WaitForMessageBox(const ChildProcess& child, DWORD timeoutMs, HWND previous)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        std::optional<SeenBox> box = FindMessageBox(child.Id());
        if (box && box->window != previous) {
            return box;
        }
        if (child.HasExited() || ::GetTickCount() - start >= timeoutMs) {
            return std::nullopt;
        }
        ::Sleep(PollMs);
    }
}

bool NoMessageBoxWithin(const ChildProcess& child, DWORD withinMs)
{
    return !WaitForMessageBox(child, withinMs).has_value();
}

void PressButton(const SeenBox& box, int button)
{
    // The dialog's own answer to a button click, without needing the focus
    // or the mouse: WM_COMMAND with BN_CLICKED from that button.
    HWND control = ::GetDlgItem(box.window, button);
    ::PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

std::string ButtonName(int button)
{
    switch (button) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "#" + std::to_string(button);
    }
}

} // namespace TestSupport
