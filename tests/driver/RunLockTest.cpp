#include "RunLock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

using namespace Ardenfold_API;

TEST(RunLockTest, NameFollowsThePathWhateverItsCase)
{
    EXPECT_EQ(RunLockName(L"C:\\Temp\\PDFCreator\\CommandLine.txt"),
              RunLockName(L"c:\\temp\\pdfcreator\\commandline.TXT"));
    EXPECT_NE(RunLockName(L"C:\\A\\CommandLine.txt"), RunLockName(L"C:\\B\\CommandLine.txt"));
    EXPECT_EQ(RunLockName(L"x").rfind(L"Local\\", 0), 0u);
    EXPECT_EQ(RunLockName(L"x").find(L'\\', 6), std::wstring::npos);
}

TEST(RunLockTest, SecondRunWaitsForTheFirst)
{
    const std::wstring path = L"C:\\RunLockTest\\" + std::to_wstring(::GetCurrentProcessId());
    RunLock first;
    first.Acquire(path);
    std::atomic<bool> secondHasIt{false};
    std::thread second([&] {
        RunLock lock;
        lock.Acquire(path);
        secondHasIt = true;
    });
    ::Sleep(300);
    EXPECT_FALSE(secondHasIt);
    first.Release();
    second.join();
    EXPECT_TRUE(secondHasIt);
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
    RunLock next;
    next.Acquire(path);
    EXPECT_TRUE(next.IsHeld());
}
