#pragma once
#include <string>

namespace Global {

// Hands a document or web address to the shell, to be opened by the program
// associated with it; when the shell answers that none is associated, starts
// the system's Open With dialog for it instead. Reports nothing and never
// throws; does not wait for the opened program.
void OpenWithShell(const std::wstring& target);

} // namespace Global
