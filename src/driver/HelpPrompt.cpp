#include "HelpPrompt.h"

#include "MessageBoxes.h"
#include "ShellOpener.h"

namespace Ardenfold_API {

std::wstring HelpPromptText()
{
    return std::wstring(54, L' ') + L"Invalid Command Line" + L"\n\n" +
           L"Do you want to read web articles on how to automate Ardenfold through Command Line ?";
}

void ShowHelpPrompt()
{
    if (ShowMessage(HelpPromptText(), MB_YESNO, L"Help") == IDYES) {
        Global::OpenWithShell(HelpAddress);
    }
}

} // namespace Ardenfold_API
