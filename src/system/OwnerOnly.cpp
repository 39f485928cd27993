#include "OwnerOnly.h"

#include "Error.h"
#include "Handle.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace Global {

std::vector<BYTE> CurrentUserSid()
{
    KernelHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put())) {
        DWORD code = ::GetLastError();
        if (code != ERROR_NO_TOKEN) {
            ThrowSystemError(L"The thread's access token cannot be read", code);
        }
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
            ThrowSystemError(L"The process's access token cannot be read", ::GetLastError());
        }
    }
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
        ThrowSystemError(L"The user of the access token cannot be read", ::GetLastError());
    }
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

std::wstring SidText(PSID sid)
{
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) {
        ThrowSystemError(L"A user's SID cannot be written out", ::GetLastError());
    }
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

OwnerOnlySecurity::OwnerOnlySecurity()
{
    std::vector<BYTE> user = CurrentUserSid();
    std::wstring sddl = L"O:" + SidText(user.data()) + L"D:P(A;;FA;;;" + SidText(user.data()) +
                        L")(A;;FA;;;SY)(A;;FA;;;BA)";
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                                 nullptr)) {
        ThrowSystemError(L"The access rights for a file of this user alone cannot be made", ::GetLastError());
    }
}

OwnerOnlySecurity::~OwnerOnlySecurity()
{
    ::LocalFree(descriptor_);
}

bool CurrentUsersAlone(HANDLE file) noexcept
{
    try {
        std::vector<BYTE> user = CurrentUserSid();
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
            return false;
        }
        std::unique_ptr<void, decltype(&::LocalFree)> freed(descriptor, ::LocalFree);
        // No DACL at all admits everyone.
        if (!owner || !::EqualSid(owner, user.data()) || !dacl) {
            return false;
        }
        constexpr ACCESS_MASK changes = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                        DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACE_HEADER* ace = nullptr;
            if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace))) {
                return false;
            }
            if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->AceFlags & INHERIT_ONLY_ACE) != 0) {
                continue;
            }
            auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
            PSID sid = &allowed->SidStart;
            if ((allowed->Mask & changes) != 0 && !::EqualSid(sid, user.data()) &&
                !::IsWellKnownSid(sid, WinLocalSystemSid) && !::IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
                return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Global
