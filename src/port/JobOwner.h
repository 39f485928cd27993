#pragma once
// Who printed the job the port is handed, and so where it goes: the printed
// jobs folder of the owner's session, which the owner's runs prepare and
// watch. Under Wine the printing program loads the port monitor itself, so
// the owner is this process's user with its own temporary folder; on
// Windows the spooler calls the monitor while impersonating the job's
// owner, whose own temporary folder it reads from the owner's environment.
// A job whose owner cannot be told goes nowhere.
#include <string>

namespace Port {

// The owner's signal file path. Throws Global::Error when the owner cannot
// be told (no client impersonated in the spooler's own account).
std::wstring OwnersSignalFile();

// The owner's printed jobs folder for that signal file, checked: a plain
// folder (no link) that the owner owns. Throws Global::Error naming the
// folder and why when no run of the owner's prepared it, or it is not theirs.
std::wstring OwnersJobFolder(const std::wstring& signalFilePath);

} // namespace Port
