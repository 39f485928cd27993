#include "CaughtError.h"

#include "AnsiText.h"
#include "Error.h"

#include <exception>
#include <new>

namespace Global {

namespace {

std::wstring WhatOf(const std::exception& error)
{
    try {
        return L"Unexpected error: " + FromAnsi(error.what());
    } catch (const Error&) {
        return L"Unexpected error."; // a what() the ANSI code page cannot read
    }
}

} // namespace

Caught DescribeCurrentException()
{
    try {
        throw;
    } catch (const Error& error) {
        return {CaughtKind::Error, error.Description()};
    } catch (const std::bad_alloc& error) {
        return {CaughtKind::OutOfMemory, WhatOf(error)};
    } catch (const std::exception& error) {
        return {CaughtKind::Standard, WhatOf(error)};
    } catch (...) {
        return {CaughtKind::Unknown, L"Unexpected error."};
    }
}

} // namespace Global
