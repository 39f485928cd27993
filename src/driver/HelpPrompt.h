#pragma once
#include <string>

namespace Ardenfold_API {

// Where the command-line help lives.
inline constexpr wchar_t HelpAddress[] = L"http://www.ardenfold.example/ardenfold/help.htm#command_line";

// The text of the prompt shown for an empty command line.
std::wstring HelpPromptText();

// Asks whether to open the command-line help page, and opens it on Yes.
void ShowHelpPrompt();

} // namespace Ardenfold_API
