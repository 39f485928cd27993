#include "MessagePump.h"

#include "Error.h"
#include "Handle.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace Global;

// A signalled object costs no pause, an unsignalled one is waited for until
// the limit, and a handle that cannot be waited on is an error, never a wait
// that goes on for ever.
TEST(MessagePumpTest, WaitsEndSignalledAtTheLimitOrWithAnError)
{
    KernelHandle set(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    KernelHandle unset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(set && unset);

    ULONGLONG start = ::GetTickCount64();
    EXPECT_TRUE(WaitProcessingMessages(set.Get(), INFINITE));
    EXPECT_FALSE(WaitProcessingMessages(unset.Get(), 250));
    ULONGLONG spent = ::GetTickCount64() - start;
    EXPECT_GE(spent, 240u);
    EXPECT_LT(spent, 10000u);

    EXPECT_THROW(WaitProcessingMessages(nullptr, INFINITE), Error);
    EXPECT_THROW(WaitProcessingMessages(nullptr, 250), Error);
}
