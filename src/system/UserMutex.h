#pragma once
// A named mutex in the machine-wide namespace that admits the current user
// alone. Its name is known to anyone who can read a path, so another user
// may have made it first; CreateMutex then opens that object and ignores the
// access rights it is given. An existing object is therefore checked before
// it is used: one that belongs to another user, or whose rights admit
// anyone but this user, could be held (or made unusable) from outside. The
// Administrators group counts as this user's owner (an elevated run's
// objects get it), and it and the system may be admitted beside the user:
// they can take any object anyway.
#include "Error.h"
#include "Handle.h"

#include <string>

namespace Global {

// Why a name cannot serve as this user's mutex.
enum class UserMutexProblem {
    NotAMutex,    // the name belongs to an object of another kind
    NoAccess,     // a mutex this user may not open
    ForeignOwner, // a mutex another user owns
    OpenToOthers, // a mutex whose access rights admit someone besides this user
    Failed,       // it could not be made or checked
};

class UserMutexRefused : public Error {
public:
    UserMutexRefused(UserMutexProblem problem, DWORD code, std::wstring description)
        : Error(std::move(description)), problem_(problem), code_(code)
    {
    }
    UserMutexProblem Problem() const noexcept { return problem_; }
    // The system's error code, 0 when the system reported none.
    DWORD Code() const noexcept { return code_; }

private:
    UserMutexProblem problem_;
    DWORD code_;
};

// "Global\<prefix>.<16 hex digits>": a hash of the key (case-insensitive, as
// paths are), since a backslash may not appear in the name and the key may
// be longer than a name may be.
std::wstring UserMutexName(const std::wstring& prefix, const std::wstring& key);

// Opens the mutex, making it where it does not exist, not owned. Throws
// UserMutexRefused, its description a short clause ("belongs to another
// user") for the caller to place in its own message.
KernelHandle OpenUserMutex(const std::wstring& name);

// The one try-lock: waits up to the time for the mutex and says whether this
// thread now holds it. An abandoned mutex counts as taken: its holder died,
// and what it guarded is as the holder left it.
bool TakeMutex(HANDLE mutex, DWORD milliseconds) noexcept;

} // namespace Global
