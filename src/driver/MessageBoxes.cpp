#include "MessageBoxes.h"

#include "AnsiText.h"

namespace Ardenfold_API {

bool IsWindowStationVisible()
{
    USEROBJECTFLAGS flags{};
    HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr ||
        !::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
        // Unknown: better a box that may wait than a failure nobody is told of.
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

int ShowMessage(const std::wstring& text, UINT buttons, const std::wstring& title)
{
    if (!IsWindowStationVisible()) {
        return (buttons & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
    // Only shown, never used as a name: characters outside the code page may
    // degrade rather than hide the message.
    std::string ansiText = Global::ToAnsiForDisplay(text);
    std::string ansiTitle = Global::ToAnsiForDisplay(title);
    return ::MessageBoxA(nullptr, ansiText.c_str(), ansiTitle.c_str(), buttons);
}

std::wstring MissingFilesMessage()
{
    return L"Some required files are missing or corrupted.\n"
           L"To get technical support on this, Please contact at:  \n"
           L"\n"
           L"support@marrowgate.example";
}

void ShowMissingFilesMessage()
{
    ShowMessage(MissingFilesMessage(), MB_OK);
}

} // namespace Ardenfold_API
