#include "FolderSecurity.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileProbes.h"
#include "Handle.h"
#include "NoFollow.h"

#include <aclapi.h>
#include <sddl.h>

namespace Global {

namespace {

using SidBytes = std::vector<BYTE>;

struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type memory) noexcept { ::LocalFree(memory); }
};
// What the system hands over with LocalAlloc: a security descriptor, a SID's text.
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

// Everything that lets a user change a folder or what is in it: add or
// delete an entry, write its attributes, change its access list or owner.
constexpr DWORD ChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                               FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr DWORD ToFoldersAndFiles = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

SidBytes WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    DWORD size = SECURITY_MAX_SID_SIZE;
    SidBytes sid(size);
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &size)) {
        ThrowSystemError(L"A well-known account (" + std::to_wstring(type) + L") could not be named", ::GetLastError());
    }
    sid.resize(size);
    return sid;
}

SidBytes CopyOfSid(PSID sid)
{
    SidBytes bytes(::GetLengthSid(sid));
    ::CopySid(static_cast<DWORD>(bytes.size()), bytes.data(), sid);
    return bytes;
}

std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS what)
{
    std::vector<BYTE> buffer(256);
    DWORD needed = 0;
    if (!::GetTokenInformation(token, what, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) {
        DWORD code = ::GetLastError();
        if (code == ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(needed);
            if (::GetTokenInformation(token, what, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) {
                return buffer;
            }
            code = ::GetLastError();
        }
        ThrowSystemError(L"This process's user could not be learnt", code);
    }
    return buffer;
}

// The process's user, and the owner the system gives what it makes: the
// user, or Administrators in an elevated run.
struct ThisUser {
    SidBytes user;
    SidBytes defaultOwner;
};

ThisUser CurrentUser()
{
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        ThrowSystemError(L"This process's user could not be learnt", ::GetLastError());
    }
    std::vector<BYTE> user = TokenInformation(token.Get(), TokenUser);
    std::vector<BYTE> owner = TokenInformation(token.Get(), TokenOwner);
    return {CopyOfSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid),
            CopyOfSid(reinterpret_cast<TOKEN_OWNER*>(owner.data())->Owner)};
}

// "Everyone (S-1-1-0)"; the SID alone when the system knows no name for it.
std::wstring AccountText(PSID sid)
{
    std::wstring text = L"an account the system cannot name";
    char* sidText = nullptr;
    if (::ConvertSidToStringSidA(sid, &sidText)) {
        text = FromAnsi(sidText);
        ::LocalFree(sidText);
    }
    char name[256] = {};
    char domain[256] = {};
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use{};
    if (::LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use) && name[0] != '\0') {
        std::wstring account = (domain[0] != '\0' ? FromAnsi(domain) + L"\\" : L"") + FromAnsi(name);
        return account + L" (" + text + L")";
    }
    return text;
}

// The accounts a private folder may admit besides the user: the system,
// the administrators, and the stand-ins that mean whoever owns an entry.
bool IsTrusted(PSID sid, const ThisUser& me)
{
    return ::EqualSid(sid, const_cast<BYTE*>(me.user.data())) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
           ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinCreatorOwnerSid) ||
           ::IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

// The first account besides the trusted ones that the list grants any of
// the rights, inherited ones included: those reach what is put inside.
PSID UntrustedGrantee(PACL dacl, DWORD rights, const ThisUser& me)
{
    ACL_SIZE_INFORMATION size{};
    if (!::GetAclInformation(dacl, &size, sizeof size, AclSizeInformation)) {
        return nullptr;
    }
    for (DWORD i = 0; i < size.AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) {
            continue;
        }
        PSID sid = nullptr;
        ACCESS_MASK mask = 0;
        switch (static_cast<ACE_HEADER*>(ace)->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            sid = &allowed->SidStart;
            mask = allowed->Mask;
            break;
        }
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
            auto* allowed = static_cast<ACCESS_ALLOWED_OBJECT_ACE*>(ace);
            BYTE* at = reinterpret_cast<BYTE*>(&allowed->ObjectType);
            at += (allowed->Flags & ACE_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0;
            at += (allowed->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) != 0 ? sizeof(GUID) : 0;
            sid = at;
            mask = allowed->Mask;
            break;
        }
        default:
            continue; // denials and audits take nothing away from the check
        }
        if ((mask & rights) != 0 && !IsTrusted(sid, me)) {
            return sid;
        }
    }
    return nullptr;
}

struct AceSpec {
    SidBytes sid;
    DWORD rights;
    DWORD inheritance;
};

// An absolute security descriptor: an owner, and an access list of its own
// that takes nothing from the parent.
class Descriptor {
public:
    Descriptor(SidBytes owner, std::vector<AceSpec> aces) : owner_(std::move(owner)), aces_(std::move(aces))
    {
        DWORD size = sizeof(ACL);
        for (const AceSpec& ace : aces_) {
            size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(ace.sid.size());
        }
        acl_.resize(size);
        bool built = ::InitializeAcl(Dacl(), size, ACL_REVISION);
        for (AceSpec& ace : aces_) {
            built = built && ::AddAccessAllowedAceEx(Dacl(), ACL_REVISION, ace.inheritance, ace.rights, ace.sid.data());
        }
        built = built && ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                ::SetSecurityDescriptorOwner(&descriptor_, Owner(), FALSE) &&
                ::SetSecurityDescriptorDacl(&descriptor_, TRUE, Dacl(), FALSE) &&
                ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        if (!built) {
            ThrowSystemError(L"A folder's access list could not be built", ::GetLastError());
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    PSECURITY_DESCRIPTOR Get() { return &descriptor_; }
    PSID Owner() { return owner_.data(); }
    PACL Dacl() { return reinterpret_cast<PACL>(acl_.data()); }

private:
    SidBytes owner_;
    std::vector<AceSpec> aces_;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
};

// An installer that is an administrator may take over a folder whose list
// shuts administrators out: these privileges are held, but off until asked for.
class OwnershipPrivileges {
public:
    OwnershipPrivileges()
    {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.Put())) {
            return;
        }
        Privileges wanted{2, {}};
        for (DWORD i = 0; i < 2; ++i) {
            ::LookupPrivilegeValueA(nullptr, i == 0 ? "SeTakeOwnershipPrivilege" : "SeRestorePrivilege",
                                    &wanted.privileges[i].Luid);
            wanted.privileges[i].Attributes = SE_PRIVILEGE_ENABLED;
        }
        DWORD size = 0;
        adjusted_ = ::AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                            sizeof previous_, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size);
    }
    ~OwnershipPrivileges()
    {
        if (adjusted_) {
            ::AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0, nullptr,
                                    nullptr);
        }
    }
    OwnershipPrivileges(const OwnershipPrivileges&) = delete;
    OwnershipPrivileges& operator=(const OwnershipPrivileges&) = delete;

private:
    struct Privileges {
        DWORD count;
        LUID_AND_ATTRIBUTES privileges[2];
    };
    KernelHandle token_;
    Privileges previous_{};
    bool adjusted_ = false;
};

[[noreturn]] void ThrowNotMade(const std::wstring& path, DWORD code)
{
    ThrowSystemError(L"The folder \"" + path + L"\" could not be made", code);
}

// Resets a folder already there for the machine; false when what was there
// was a link, now taken away, so that the folder is still to be made.
bool TakeOver(const std::wstring& path, Descriptor& descriptor)
{
    NoFollowEntry entry = OpenNoFollow(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
    if (!entry.handle) {
        return false;
    }
    if (entry.isLink) {
        entry.handle.Reset();
        try {
            DeleteFileNoFollow(path);
        } catch (const Error& error) {
            throw Error(L"The folder \"" + path + L"\" could not be made: a link to another place is in its way. " +
                        error.Description());
        }
        return false;
    }
    if (!entry.IsFolder()) {
        ThrowNotMade(path, ERROR_ALREADY_EXISTS);
    }
    // The descriptor whole, protected list and all: SetSecurityInfo would
    // under Wine mix the parent's inheritable entries back in.
    if (!::SetKernelObjectSecurity(entry.handle.Get(),
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                       PROTECTED_DACL_SECURITY_INFORMATION,
                                   descriptor.Get())) {
        ThrowSystemError(L"The folder \"" + path + L"\" could not be taken over for the administrators",
                         ::GetLastError());
    }
    return true;
}

} // namespace

void CheckPrivateFolder(const std::wstring& path)
{
    const std::wstring folder = L"The folder \"" + path + L"\" ";
    const std::wstring notUsed = L"; it is not used.";
    NoFollowEntry entry = OpenNoFollow(path, READ_CONTROL | FILE_READ_ATTRIBUTES);
    if (!entry.handle) {
        ThrowSystemError(folder + L"could not be opened", ERROR_PATH_NOT_FOUND);
    }
    if (entry.isLink) {
        throw Error(folder + L"is a link to another place (a junction or a symbolic link), which another user could "
                             L"have made" + notUsed);
    }
    if (!entry.IsFolder()) {
        throw Error(folder + L"is a file, not a folder" + notUsed);
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    DWORD code = ::GetSecurityInfo(entry.handle.Get(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                                   nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Put()));
    if (code != ERROR_SUCCESS) {
        ThrowSystemError(folder + L"could not be checked for who may change it", code);
    }
    const ThisUser me = CurrentUser();
    if (owner == nullptr) {
        throw Error(folder + L"has no owner" + notUsed);
    }
    // An elevated run gives what it makes to Administrators: its folder is
    // still this user's alone when nobody else is admitted at all.
    bool mine = ::EqualSid(owner, const_cast<BYTE*>(me.user.data())) ||
                (::IsWellKnownSid(const_cast<BYTE*>(me.defaultOwner.data()), WinBuiltinAdministratorsSid) &&
                 ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) && dacl != nullptr &&
                 UntrustedGrantee(dacl, ~ACCESS_MASK{0}, me) == nullptr);
    if (!mine) {
        throw Error(folder + L"belongs to another user, " + AccountText(owner) +
                    L", who could read or change what is put there" + notUsed);
    }
    if (dacl == nullptr) {
        throw Error(folder + L"has no access list, so that every user may change what is in it" + notUsed);
    }
    if (PSID other = UntrustedGrantee(dacl, ChangeRights, me)) {
        throw Error(folder + L"lets " + AccountText(other) + L" change what is in it" + notUsed);
    }
}

void MakePrivateFolder(const std::wstring& path)
{
    const ThisUser me = CurrentUser();
    Descriptor descriptor(me.user, {{me.user, FILE_ALL_ACCESS, ToFoldersAndFiles},
                                    {WellKnownSid(WinLocalSystemSid), FILE_ALL_ACCESS, ToFoldersAndFiles},
                                    {WellKnownSid(WinBuiltinAdministratorsSid), FILE_ALL_ACCESS, ToFoldersAndFiles}});
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    if (::CreateDirectoryA(ToAnsi(path).c_str(), &attributes)) {
        return;
    }
    DWORD code = ::GetLastError();
    // Runs started together each find the folder missing; the one that
    // makes it second has it only if the first made it as it would have. A
    // file of that name is no folder.
    if (code == ERROR_ALREADY_EXISTS && FolderExists(path)) {
        CheckPrivateFolder(path);
        return;
    }
    ThrowNotMade(path, code);
}

void MakeMachineFolder(const std::wstring& path, const std::vector<FolderGrant>& extra)
{
    std::vector<AceSpec> aces = {
        {WellKnownSid(WinLocalSystemSid), FILE_ALL_ACCESS, ToFoldersAndFiles},
        {WellKnownSid(WinBuiltinAdministratorsSid), FILE_ALL_ACCESS, ToFoldersAndFiles},
        {WellKnownSid(WinBuiltinUsersSid), FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, ToFoldersAndFiles},
    };
    for (const FolderGrant& grant : extra) {
        aces.push_back({WellKnownSid(grant.account), grant.rights, grant.inheritance});
    }
    Descriptor descriptor(WellKnownSid(WinBuiltinAdministratorsSid), std::move(aces));
    OwnershipPrivileges privileges;
    std::string ansi = ToAnsi(path);
    // A link taken away can be put back by its maker before the folder is
    // made: a few tries, then the installer gives up.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
        if (::CreateDirectoryA(ansi.c_str(), &attributes)) {
            return;
        }
        DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS) {
            ThrowNotMade(path, code);
        }
        if (TakeOver(path, descriptor)) {
            return;
        }
    }
    throw Error(L"The folder \"" + path + L"\" could not be made: a link to another place keeps coming back there.");
}

} // namespace Global
