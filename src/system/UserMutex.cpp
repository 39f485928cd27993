#include "UserMutex.h"

#include "AnsiText.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cwctype>
#include <vector>

namespace Global {

namespace {

[[noreturn]] void Refuse(UserMutexProblem problem, const std::wstring& clause, DWORD code = 0)
{
    throw UserMutexRefused(problem, code, code == 0 ? clause : clause + L": " + SystemMessage(code));
}

// One of the token's SIDs, as TokenUser or TokenOwner gives it.
std::vector<BYTE> TokenSid(TOKEN_INFORMATION_CLASS kind)
{
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        Refuse(UserMutexProblem::Failed, L"cannot be made: the process's user is unknown", ::GetLastError());
    }
    KernelHandle token(rawToken);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), kind, nullptr, 0, &size);
    std::vector<BYTE> information(size < sizeof(TOKEN_USER) ? sizeof(TOKEN_USER) : size);
    if (!::GetTokenInformation(token.Get(), kind, information.data(), static_cast<DWORD>(information.size()), &size)) {
        Refuse(UserMutexProblem::Failed, L"cannot be made: the process's user is unknown", ::GetLastError());
    }
    // TOKEN_USER and TOKEN_OWNER both begin with the SID's address, which
    // points into the same buffer: the SID is copied out on its own.
    PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(information.data())->User.Sid
                                 : reinterpret_cast<TOKEN_OWNER*>(information.data())->Owner;
    std::vector<BYTE> copy(::GetLengthSid(sid));
    ::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

// Admits the user alone.
class UserOnlyAttributes {
public:
    explicit UserOnlyAttributes(PSID user)
    {
        char* text = nullptr;
        if (!::ConvertSidToStringSidA(user, &text)) {
            Refuse(UserMutexProblem::Failed, L"cannot be made: the process's user is unknown", ::GetLastError());
        }
        std::string sddl = "D:P(A;;GA;;;" + std::string(text) + ")";
        ::LocalFree(text);
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                                    nullptr)) {
            Refuse(UserMutexProblem::Failed, L"cannot be given its access rights", ::GetLastError());
        }
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    ~UserOnlyAttributes() { ::LocalFree(descriptor_); }
    UserOnlyAttributes(const UserOnlyAttributes&) = delete;
    UserOnlyAttributes& operator=(const UserOnlyAttributes&) = delete;

    SECURITY_ATTRIBUTES* Get() { return &attributes_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE kind)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!::CreateWellKnownSid(kind, nullptr, sid.data(), &size)) {
        Refuse(UserMutexProblem::Failed, L"cannot be checked", ::GetLastError());
    }
    sid.resize(size);
    return sid;
}

// An object someone else made: its owner must be this user, the owner this
// user's objects get, or the Administrators group (the owner an elevated
// run of an administrator gives them, which the same user's run without
// elevation meets); and every entry that grants access must name this user,
// the system or the Administrators group, who may take any object anyway.
// Entries that deny access take nothing from the user.
void CheckMadeByThisUser(HANDLE mutex, PSID user)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD code = ::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   &owner, nullptr, &dacl, nullptr, &descriptor);
    if (code != ERROR_SUCCESS) {
        Refuse(UserMutexProblem::Failed, L"cannot be checked", code);
    }
    ScopeExit free([&] { ::LocalFree(descriptor); });
    std::vector<BYTE> defaultOwner = TokenSid(TokenOwner);
    std::vector<BYTE> administrators = WellKnownSid(WinBuiltinAdministratorsSid);
    std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
    if (owner == nullptr || (!::EqualSid(owner, user) && !::EqualSid(owner, defaultOwner.data()) &&
                             !::EqualSid(owner, administrators.data()))) {
        Refuse(UserMutexProblem::ForeignOwner, L"belongs to another user");
    }
    if (dacl == nullptr) {
        Refuse(UserMutexProblem::OpenToOthers, L"admits everyone");
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header))) {
            Refuse(UserMutexProblem::Failed, L"cannot be checked", ::GetLastError());
        }
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            Refuse(UserMutexProblem::OpenToOthers, L"admits other users besides this one");
        }
        PSID admitted = &reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->SidStart;
        if (!::EqualSid(admitted, user) && !::EqualSid(admitted, administrators.data()) &&
            !::EqualSid(admitted, system.data())) {
            Refuse(UserMutexProblem::OpenToOthers, L"admits other users besides this one");
        }
    }
}

} // namespace

std::wstring UserMutexName(const std::wstring& prefix, const std::wstring& key)
{
    // FNV-1a over the upper-cased key.
    unsigned long long hash = 14695981039346656037ULL;
    for (wchar_t c : key) {
        hash ^= static_cast<unsigned long long>(std::towupper(c));
        hash *= 1099511628211ULL;
    }
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", hash);
    return L"Global\\" + prefix + L"." + digits;
}

KernelHandle OpenUserMutex(const std::wstring& name)
{
    std::vector<BYTE> user = TokenSid(TokenUser);
    UserOnlyAttributes access(user.data());
    KernelHandle mutex(::CreateMutexA(access.Get(), FALSE, ToAnsi(name).c_str()));
    DWORD code = ::GetLastError();
    if (!mutex) {
        if (code == ERROR_ACCESS_DENIED) {
            Refuse(UserMutexProblem::NoAccess, L"cannot be opened by this user", code);
        }
        if (code == ERROR_INVALID_HANDLE) {
            Refuse(UserMutexProblem::NotAMutex, L"is taken by an object that is no mutex", code);
        }
        Refuse(UserMutexProblem::Failed, L"could not be made", code);
    }
    if (code == ERROR_ALREADY_EXISTS) {
        CheckMadeByThisUser(mutex.Get(), user.data());
    }
    return mutex;
}

bool TakeMutex(HANDLE mutex, DWORD milliseconds) noexcept
{
    DWORD wait = ::WaitForSingleObject(mutex, milliseconds);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

} // namespace Global
