#include "ConverterExitCodes.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

using namespace Converter;

// The one table from what a run throws to how it ends, walked row by row.
TEST(ConverterExitCodes, EachKindOfErrorEndsTheRunWithItsCode)
{
    const struct {
        const char* name;
        std::function<void()> fault;
        const wchar_t* document;
        ExitCode code;
        const wchar_t* description;
    } rows[] = {
        {"a failure is itself", [] { throw Failure(ExitCode::NoOutputPath, L"no path"); }, L"a.txt",
         ExitCode::NoOutputPath, L"no path"},
        {"an error", [] { throw Global::Error(L"disk gone"); }, L"a.txt", ExitCode::UnexpectedError, L"disk gone"},
        // Too large for this machine: a smaller document converts.
        {"out of memory with a document", [] { throw std::bad_alloc(); }, L"a.txt", ExitCode::DocumentRefused,
         L"The document \"a.txt\" does not fit in the converter's memory."},
        {"out of memory with none", [] { throw std::bad_alloc(); }, L"", ExitCode::UnexpectedError,
         L"The converter ran out of memory."},
        {"a standard exception", [] { throw std::runtime_error("broken"); }, L"a.txt", ExitCode::UnexpectedError,
         L"Unexpected error: broken"},
        {"anything else", [] { throw 7; }, L"a.txt", ExitCode::UnexpectedError, L"Unexpected error."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            row.fault();
            ADD_FAILURE() << "nothing thrown";
        } catch (...) {
            Failure failure = CurrentFailure(row.document);
            EXPECT_EQ(failure.Code(), row.code);
            EXPECT_EQ(failure.Description(), row.description);
        }
    }
}
