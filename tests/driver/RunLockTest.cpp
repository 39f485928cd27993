#include "RunLock.h"

#include "Bounded.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

using namespace Ardenfold_API;
using namespace std::chrono_literals;
using TestSupport::RunWithin;

namespace {

// Another run, as far as the lock can tell: a thread of its own. What its
// Acquire ended with: "held", or the description of the error it threw.
std::optional<std::wstring> AcquireOnAnotherThread(const std::wstring& path, std::chrono::milliseconds limit)
{
    return RunWithin(30s, [path, limit]() -> std::wstring {
        RunLock lock(limit);
        try {
            lock.Acquire(path);
            return lock.IsHeld() ? L"held" : L"not held";
        } catch (const RunLockTimeout& timeout) {
            return timeout.Description();
        }
    });
}

} // namespace

TEST(RunLockTest, NameFollowsThePathWhateverItsCase)
{
    EXPECT_EQ(RunLockName(L"C:\\Temp\\PDFCreator\\CommandLine.txt"),
              RunLockName(L"c:\\temp\\pdfcreator\\commandline.TXT"));
    EXPECT_NE(RunLockName(L"C:\\A\\CommandLine.txt"), RunLockName(L"C:\\B\\CommandLine.txt"));
    EXPECT_EQ(RunLockName(L"x").rfind(L"Global\\", 0), 0u);
    EXPECT_EQ(RunLockName(L"x").find(L'\\', 7), std::wstring::npos);
}

// The wait is bounded: a run whose predecessor never ends gives up with a
// description naming the reason (CommandLine.exe shows it and ends with 3).
// Once the first run lets go, the next one gets the lock.
TEST(RunLockTest, ARunWaitsForTheOneBeforeItAndGivesUpAtItsLimit)
{
    EXPECT_EQ(RunLockWaitLimit, 15min);
    const std::wstring path = L"C:\\RunLockTest\\" + std::to_wstring(::GetCurrentProcessId());
    RunLock first(1s);
    first.Acquire(path);

    std::optional<std::wstring> second = AcquireOnAnotherThread(path, 300ms);
    ASSERT_TRUE(second.has_value()) << "the bounded wait did not end";
    EXPECT_EQ(second->rfind(L"Another conversion has used the signal file \"" + path + L"\" for more than ", 0), 0u);

    first.Release();
    EXPECT_EQ(AcquireOnAnotherThread(path, 300ms), L"held");
}

TEST(RunLockTest, LockOfARunThatDiedIsTakenOver)
{
    const std::wstring path = L"C:\\RunLockTest\\abandoned" + std::to_wstring(::GetCurrentProcessId());
    std::thread dying([&] {
        // Never released: the thread ends holding it, as a crashed run would.
        auto* lock = new RunLock;
        lock->Acquire(path);
    });
    dying.join();
    EXPECT_EQ(AcquireOnAnotherThread(path, 1s), L"held");
}
