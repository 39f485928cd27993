#pragma once
// The program's only user interface.
#include <windows.h>

#include <string>

namespace Ardenfold_API {

// The title of every box that names none of its own.
inline constexpr wchar_t ApplicationTitle[] = L"CommandLine";

// A modal message box; returns the button pressed (IDOK, IDYES, IDNO...).
// When the process's window station is not visible (a scheduled task that
// runs whether or not the user is logged on) nobody could answer a box, so
// none is shown and its default answer comes back at once: OK, or No for a
// Yes/No question, since nobody can read what Yes would open.
int ShowMessage(const std::wstring& text, UINT buttons, const std::wstring& title = ApplicationTitle);

// True when the process's window station is visible to a user.
bool IsWindowStationVisible();

// "Some required files are missing or corrupted." with the support address.
std::wstring MissingFilesMessage();
void ShowMissingFilesMessage();

} // namespace Ardenfold_API
