#pragma once
// Files that only their owner may reach: the security descriptor that makes
// them so, and the check that a file someone hands us is really ours. The
// owner is the user this thread acts for: the impersonated client in a
// service that impersonates one, else the process's user.
#include <windows.h>

#include <string>
#include <vector>

namespace Global {

// The SID of the user this thread acts for, as bytes. Throws Error.
std::vector<BYTE> CurrentUserSid();

// "S-1-5-..." for a SID. Throws Error.
std::wstring SidText(PSID sid);

// A protected DACL that grants full control to the current user, SYSTEM and
// the Administrators, and nobody else: for SECURITY_ATTRIBUTES.
class OwnerOnlySecurity {
public:
    OwnerOnlySecurity();
    ~OwnerOnlySecurity();
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    PSECURITY_DESCRIPTOR Descriptor() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Whether the open file or folder is the current user's alone: owned by
// that user, and no one but the user, SYSTEM and the Administrators may
// write it, delete it or change its rights. One whose rights cannot be read
// is not.
bool CurrentUsersAlone(HANDLE file) noexcept;

} // namespace Global
