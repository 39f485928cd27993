#pragma once
// Reads and answers the message boxes of another process through the real
// windows: a box is a visible top-level dialog (class "#32770") owned by a
// thread of that process; its text is the static control 0xFFFF; its
// buttons are the dialog items IDOK, IDCANCEL, IDYES and IDNO.
#include "ChildProcess.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

struct SeenBox {
    HWND window = nullptr;
    std::string title;
    std::string text;
    std::vector<int> buttons; // the visible ones among IDOK, IDCANCEL, IDYES, IDNO, in that order
    int defaultButton = 0;    // what Enter would press: the dialog's default, else its first button; 0: none

    bool Has(int button) const;
    // "title | text | [OK]" with line feeds shown as \n, for failure messages.
    std::string Describe() const;
};

// The first visible box of that process, if any.
std::optional<SeenBox> FindMessageBox(DWORD processId);

// Waits up to timeoutMs for a box of the child other than `previous` (a box
// just answered may linger for a moment). Nothing when the child ends first.
std::optional<SeenBox> WaitForMessageBox(const ChildProcess& child, DWORD timeoutMs, HWND previous = nullptr);

// Presses a button of the box as a click would; returns at once.
void PressButton(const SeenBox& box, int button);

// "OK", "Cancel", "Yes" or "No".
std::string ButtonName(int button);

} // namespace TestSupport
