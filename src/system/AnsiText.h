#pragma once
// Text is wide inside the program; the system calls take the ANSI code page.
// These are the only places where the two meet.
#include <string>

namespace Global {

// Converts to the system's ANSI code page. Throws Global::Error naming the
// text when a character has no exact form there: a best-fit or '?' stand-in
// could turn a path into a wildcard that matches another file.
std::string ToAnsi(const std::wstring& text);

// Converts from the system's ANSI code page.
std::wstring FromAnsi(const std::string& text);

// For text that is only shown to a user: unrepresentable characters become
// the code page's default character instead of failing.
std::string ToAnsiForDisplay(const std::wstring& text);

// True when ToAnsi would succeed.
bool IsAnsiRepresentable(const std::wstring& text);

} // namespace Global
