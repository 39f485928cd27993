#pragma once
// Two runs of one user share one signal file: a second run that deleted the
// first one's marker as stale, or handed its path to the first one's
// converter, would spoil both. Runs that share a signal file take turns,
// whichever session they run in: a task that runs whether or not the user is
// logged on (session 0) and the user's own desktop share the user's
// temporary folder, so the lock lives in the machine-wide namespace.
#include "Error.h"
#include "Handle.h"

#include <chrono>
#include <string>

namespace Ardenfold_API {

// How long a run waits for the run before it. Longer than any conversion
// should take; a run whose converter never ends cannot block the user's
// later runs for ever.
inline constexpr std::chrono::milliseconds RunLockWaitLimit = std::chrono::minutes(15);

// The run lock cannot be had: no conversion may go on without it.
class RunLockError : public Global::Error {
public:
    using Global::Error::Error;
};

// The wait for the run lock ran out.
class RunLockTimeout : public RunLockError {
public:
    using RunLockError::RunLockError;
};

// The lock's name is taken by an object this user may not open, by
// something that is not a mutex, or by a mutex that another user owns or
// that admits anyone besides this user (which could then hold it).
class RunLockUnavailable : public RunLockError {
public:
    using RunLockError::RunLockError;
};

class RunLock {
public:
    RunLock() = default;
    explicit RunLock(std::chrono::milliseconds waitLimit) : waitLimit_(waitLimit) {}
    ~RunLock() { Release(); }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Waits, processing window messages, until no other run holds the lock
    // for this signal file. A lock left by a run that died is taken over.
    // The lock admits only the current user; one made by someone else is
    // refused at once, not waited for. Throws RunLockTimeout when another
    // run holds it past the wait limit, RunLockUnavailable when the lock
    // cannot be made or opened or is refused.
    void Acquire(const std::wstring& signalFilePath);

    // Lets the next run go on; harmless when not held.
    void Release() noexcept;

    bool IsHeld() const noexcept { return held_; }

private:
    std::chrono::milliseconds waitLimit_ = RunLockWaitLimit;
    Global::KernelHandle mutex_;
    std::wstring name_;
    bool held_ = false;
};

// The lock's name in the machine-wide namespace, derived from the signal
// file's path (case-insensitive, as paths are).
std::wstring RunLockName(const std::wstring& signalFilePath);

} // namespace Ardenfold_API
