#include "ShellOpener.h"

#include "AnsiText.h"
#include "FileProbes.h"
#include "SystemLocations.h"

#include <windows.h>
#include <shellapi.h>

namespace Global {

void OpenWithShell(const std::wstring& target)
{
    try {
        HWND owner = ::GetDesktopWindow();
        std::string file = ToAnsi(target);
        auto result = reinterpret_cast<INT_PTR>(
            ::ShellExecuteA(owner, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result != SE_ERR_NOASSOC) {
            return;
        }
        std::wstring systemFolder = GetSystemFolder();
        std::string folder = ToAnsi(EnsureTrailingBackslash(systemFolder));
        // The target goes unquoted, right after the blank that ends the entry point's name.
        std::string parameters = "shell32.dll,OpenAs_RunDLL " + file;
        ::ShellExecuteA(owner, nullptr, "RUNDLL32.EXE", parameters.c_str(), folder.c_str(), SW_SHOWNORMAL);
    } catch (...) {
        // The function's own trap: it ends silently; a launch made is not undone.
    }
}

} // namespace Global
