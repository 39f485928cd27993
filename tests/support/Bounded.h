#pragma once
// A call that may hang if the code under test regresses: it runs on a thread
// of its own and the test waits for it a bounded time. A call that does not
// end in time is left to end with the test process, and the test fails
// instead of hanging until ctest's limit.
#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace TestSupport {

template <typename Function>
auto RunWithin(std::chrono::milliseconds timeout, Function function) -> std::optional<decltype(function())>
{
    std::packaged_task<decltype(function())()> task(std::move(function));
    auto result = task.get_future();
    std::thread(std::move(task)).detach();
    if (result.wait_for(timeout) != std::future_status::ready) {
        return std::nullopt;
    }
    return result.get();
}

} // namespace TestSupport
