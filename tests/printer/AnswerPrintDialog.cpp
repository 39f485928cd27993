// A Wine quirk of the tests, not of the product: Wine's notepad /p shows the
// Print dialog and stays open after printing, where Windows' prints and
// exits. This helper waits for that dialog, answers it with Print (its
// default button, as Enter would), then closes notepad once the job has
// gone to the printer. Usage: AnswerPrintDialog.exe <seconds>
// Exit 0 when a dialog was answered and notepad closed, 1 when none came in
// time.
#include <windows.h>

#include <cstdlib>

namespace {

struct Found {
    HWND window = nullptr;
    const char* className;
    const char* title; // nullptr: any
};

BOOL CALLBACK Match(HWND window, LPARAM context)
{
    auto* found = reinterpret_cast<Found*>(context);
    char className[64] = {};
    char title[128] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    if (::lstrcmpA(className, found->className) == 0 && (!found->title || ::lstrcmpA(title, found->title) == 0)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopWindow(const char* className, const char* title)
{
    Found found{nullptr, className, title};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

} // namespace

int main(int argc, char** argv)
{
    DWORD limit = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 60) * 1000;
    ULONGLONG start = ::GetTickCount64();
    HWND dialog = nullptr;
    while (!(dialog = FindTopWindow("#32770", "Print")) && ::GetTickCount64() - start < limit) {
        ::Sleep(100);
    }
    if (!dialog) {
        return 1;
    }
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    // Printing runs on notepad's own thread: the close it is sent waits
    // until the job is written.
    HWND notepad = nullptr;
    while (::GetTickCount64() - start < limit) {
        if (!::IsWindow(dialog) && (notepad = FindTopWindow("Notepad", nullptr))) {
            ::PostMessageA(notepad, WM_CLOSE, 0, 0);
            return 0;
        }
        ::Sleep(100);
    }
    return 1;
}
