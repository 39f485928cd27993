#pragma once
// Text for whoever reads this program's standard output or error: a console
// gets the wide text itself, a pipe or file gets UTF-8, which is what the
// Linux side of a Wine run (a terminal, a script) reads.
#include <windows.h>

#include <string>
#include <vector>

namespace Tools {

// Writes the text as it is (add the line end yourself).
void WriteText(DWORD standardHandle, const std::wstring& text);

// ANSI text of this system's code page as wide text.
std::wstring FromAnsi(const std::string& ansi);

// The program's arguments as the C runtime splits them, its own name left out.
std::vector<std::wstring> Arguments();

} // namespace Tools
