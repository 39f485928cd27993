#pragma once
// Errors travel as exceptions whose description a user can act on: what
// failed, on which path, and the system's own reason.
#include <windows.h>

#include <exception>
#include <string>

namespace Global {

class Error : public std::exception {
public:
    explicit Error(std::wstring description) : description_(std::move(description)) {}

    const std::wstring& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return "Global::Error (see Description())"; }

private:
    std::wstring description_;
};

// The system's message for an error code, without its line end; a generic
// text naming the number when the system has none.
std::wstring SystemMessage(DWORD code);

// Throws an Error "<what>: <system message>" for the given code, which the
// caller must have captured right after the failing call.
[[noreturn]] void ThrowSystemError(const std::wstring& what, DWORD code);

} // namespace Global
