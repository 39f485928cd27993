// Folders another user could reach: the checks refuse what that user could
// have done (opened a folder to everyone, given it another owner, put a link
// in its place), and the deletes and the installer's folders never follow a
// link. Wine enforces no access list and has one user: each row sets up
// what another user would leave, and the checks read it back as Windows would.
#include "FolderSecurity.h"
#include "NoFollow.h"

#include "AnsiText.h"
#include "Error.h"
#include "ForeignFolders.h"
#include "TempFolder.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

using namespace TestFiles;

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The description of what the call threw; nothing when it threw nothing.
std::optional<std::wstring> Refusal(const std::function<void()>& call)
{
    try {
        call();
        return std::nullopt;
    } catch (const Global::Error& error) {
        return error.Description();
    }
}

std::string SidText(PSID sid)
{
    char* text = nullptr;
    std::string result = ::ConvertSidToStringSidA(sid, &text) ? text : "?";
    ::LocalFree(text);
    return result;
}

std::string ThisUser()
{
    Global::KernelHandle token;
    BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    DWORD size = 0;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put()) &&
                ::GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size));
    return SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
}

// The folder's owner, and every account its access list lets change it
// ("S-1-1-0 S-1-5-18 ..."), as the system reads them back.
struct Rights {
    std::string owner;
    std::vector<std::string> changers;
};

Rights RightsOf(const std::wstring& folder)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    Rights rights;
    if (::GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot read the rights of " << Global::ToAnsi(folder);
        return rights;
    }
    rights.owner = SidText(owner);
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (ace->Mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER |
                          GENERIC_WRITE | GENERIC_ALL)) != 0) {
            rights.changers.push_back(SidText(&ace->SidStart));
        }
    }
    ::LocalFree(descriptor);
    return rights;
}

const std::string Everyone = "S-1-1-0";
const std::string System = "S-1-5-18";
const std::string Administrators = "S-1-5-32-544";

class FolderSecurity : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::wstring& link : links_) {
            EXPECT_EQ(TestSupport::RemoveFolderLink(link), "");
        }
    }
    // A link in the place of path to target, taken away after the test.
    void Link(const std::wstring& path, const std::wstring& target)
    {
        std::string why = TestSupport::MakeFolderLink(path, target);
        ASSERT_EQ(why, "") << "no link can be made here";
        links_.push_back(path);
    }

    TempFolder temp_{L"FolderSecurity"};
    std::vector<std::wstring> links_;
};

TEST_F(FolderSecurity, APrivateFolderIsOnlyOneThatNoOtherUserCouldHaveMadeChangedOrLinked)
{
    const struct {
        const char* situation;
        std::function<std::string(const std::wstring& folder)> make; // the folder, as it is left
        const wchar_t* refusal;                                       // how the refusal goes on; none: accepted
    } rows[] = {
        {"made private", [](const std::wstring& f) { Global::MakePrivateFolder(f); return std::string(); }, nullptr},
        // As a run of the version before made it in this user's own TEMP.
        {"made plainly in this user's temporary folder",
         [](const std::wstring& f) { return ::CreateDirectoryW(f.c_str(), nullptr) ? "" : "not made"; }, nullptr},
        {"open to Everyone",
         [](const std::wstring& f) {
             ::CreateDirectoryW(f.c_str(), nullptr);
             return TestSupport::OpenToEveryone(f);
         },
         L"lets Everyone (S-1-1-0) change what is in it; it is not used."},
        {"given to another user",
         [](const std::wstring& f) {
             ::CreateDirectoryW(f.c_str(), nullptr);
             return TestSupport::GiveToAnotherUser(f);
         },
         L"belongs to another user, "},
        {"a link to a folder of this user's",
         [this](const std::wstring& f) {
             ::CreateDirectoryW((temp_ / L"target").c_str(), nullptr);
             Link(f, temp_ / L"target");
             return std::string();
         },
         L"is a link to another place (a junction or a symbolic link), which another user could have made; it is "
         L"not used."},
        {"a file", [](const std::wstring& f) { WriteBytes(f, "x"); return std::string(); },
         L"is a file, not a folder; it is not used."},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        const std::wstring folder = temp_ / (L"folder" + std::to_wstring(++n));
        ASSERT_EQ(row.make(folder), "");
        std::optional<std::wstring> checked = Refusal([&] { Global::CheckPrivateFolder(folder); });
        std::optional<std::wstring> made = Refusal([&] { Global::MakePrivateFolder(folder); });
        if (!row.refusal) {
            EXPECT_FALSE(checked) << Global::ToAnsi(checked.value_or(L""));
            EXPECT_FALSE(made) << Global::ToAnsi(made.value_or(L""));
            continue;
        }
        const std::wstring expected = L"The folder \"" + folder + L"\" " + row.refusal;
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->substr(0, expected.size()), expected) << Global::ToAnsi(*checked);
        // A folder already there is checked, not taken as it is; a file is
        // no folder to be made.
        ASSERT_TRUE(made);
        if (std::wstring(row.refusal).find(L"a file") == 0 || std::wstring(row.refusal).find(L"is a file") == 0) {
            EXPECT_EQ(made->rfind(L"The folder \"" + folder + L"\" could not be made: ", 0), 0u) << Global::ToAnsi(*made);
        } else {
            EXPECT_EQ(*made, *checked);
        }
    }
}

// A folder made private admits nobody else, whatever its parent hands down.
TEST_F(FolderSecurity, APrivateFolderTakesNothingFromAParentOpenToEveryone)
{
    ASSERT_EQ(TestSupport::OpenToEveryone(temp_.Path()), "");
    const std::wstring folder = temp_ / L"private";
    Global::MakePrivateFolder(folder);
    Rights rights = RightsOf(folder);
    EXPECT_EQ(rights.owner, ThisUser());
    for (const std::string& changer : rights.changers) {
        EXPECT_TRUE(changer == ThisUser() || changer == System || changer == Administrators) << changer;
    }
    EXPECT_FALSE(Refusal([&] { Global::CheckPrivateFolder(folder); }));
}

// The installer's elevated delete goes through a folder a user could reach:
// a link in it is deleted as a link, or (where the system opens a link only
// through to its target, as Wine does) left alone, and what it points to
// is never touched.
TEST_F(FolderSecurity, DeleteTreeNoFollowNeverDeletesThroughALink)
{
    const std::wstring outside = temp_ / L"outside";
    ::CreateDirectoryW(outside.c_str(), nullptr);
    WriteBytes(outside + L"\\keep.txt", "not the tree's");
    for (bool topIsLink : {false, true}) {
        SCOPED_TRACE(topIsLink ? "the tree itself is a link" : "a link inside the tree");
        const std::wstring tree = temp_ / (topIsLink ? L"linked tree" : L"tree");
        std::wstring link = tree;
        if (!topIsLink) {
            ::CreateDirectoryW(tree.c_str(), nullptr);
            ::CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
            WriteBytes(tree + L"\\a.txt", "a");
            WriteBytes(tree + L"\\sub\\b.txt", "b");
            ::SetFileAttributesW((tree + L"\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
            link = tree + L"\\sub\\link";
        }
        Link(link, outside);
        std::optional<std::wstring> refused = Refusal([&] { Global::DeleteTreeNoFollow(tree); });
        EXPECT_EQ(ReadBytes(outside + L"\\keep.txt"), "not the tree's");
        if (refused) {
            EXPECT_NE(refused->find(L"\"" + link + L"\" is a link"), std::wstring::npos) << Global::ToAnsi(*refused);
            EXPECT_TRUE(IsLink(link));
        } else {
            EXPECT_FALSE(Exists(tree));
        }
        if (!topIsLink) {
            EXPECT_FALSE(Exists(tree + L"\\sub\\b.txt")) << "a read-only file before the link stays";
        }
    }
}

TEST_F(FolderSecurity, AMachineFolderAdmitsUsersToReadOnly)
{
    const std::wstring parent = temp_ / L"ProgramData";
    ::CreateDirectoryW(parent.c_str(), nullptr);
    ASSERT_EQ(TestSupport::OpenToEveryone(parent), "");
    const std::wstring fresh = parent + L"\\fresh";
    Global::MakeMachineFolder(fresh);
    // Windows gives it to Administrators; Wine keeps the Unix owner, the
    // process's own user, and no other.
    const bool ownersKept = RightsOf(fresh).owner == Administrators;
    if (!ownersKept) {
        EXPECT_EQ(RightsOf(fresh).owner, ThisUser());
    }

    const std::wstring planted = parent + L"\\planted";
    ::CreateDirectoryW(planted.c_str(), nullptr);
    WriteBytes(planted + L"\\left.txt", "a user's");
    ASSERT_EQ(TestSupport::OpenToEveryone(planted), "");
    // Wine changes the Unix mode of a folder whose Unix owner is another
    // user's, but not its owner: there the folder stays this user's.
    if (ownersKept) {
        ASSERT_EQ(TestSupport::GiveToAnotherUser(planted), "");
    } else {
        std::printf("Wine changes no owner: the planted folder is this user's, open to Everyone.\n");
    }
    Global::MakeMachineFolder(planted);

    for (const std::wstring& folder : {fresh, planted}) {
        SCOPED_TRACE(Global::ToAnsi(folder));
        Rights rights = RightsOf(folder);
        if (ownersKept) {
            EXPECT_EQ(rights.owner, Administrators);
        }
        for (const std::string& changer : rights.changers) {
            // Wine names the Unix owner's rights as the owner's.
            bool unixOwner = !ownersKept && changer == ThisUser();
            EXPECT_TRUE(changer == System || changer == Administrators || unixOwner) << changer;
        }
    }
    EXPECT_EQ(ReadBytes(planted + L"\\left.txt"), "a user's") << "what lies inside is not the reset's to delete";
}

TEST_F(FolderSecurity, AMachineFolderInTheWayOfALinkReplacesTheLinkNotItsTarget)
{
    const std::wstring target = temp_ / L"elsewhere";
    ::CreateDirectoryW(target.c_str(), nullptr);
    WriteBytes(target + L"\\keep.txt", "elsewhere's");
    const std::wstring folder = temp_ / L"Marrowgate";
    Link(folder, target);
    std::optional<std::wstring> refused = Refusal([&] { Global::MakeMachineFolder(folder); });
    EXPECT_EQ(ReadBytes(target + L"\\keep.txt"), "elsewhere's");
    if (refused) {
        // Wine: the link cannot be deleted without following it.
        EXPECT_EQ(refused->rfind(L"The folder \"" + folder + L"\" could not be made: a link to another place is in "
                                 L"its way. ",
                                 0),
                  0u)
            << Global::ToAnsi(*refused);
        EXPECT_TRUE(IsLink(folder));
        std::printf("This system deletes no link without following it: the link was left, and its target.\n");
    } else {
        EXPECT_FALSE(IsLink(folder));
        EXPECT_FALSE(Exists(folder + L"\\keep.txt"));
        EXPECT_TRUE(RightsOf(folder).owner == Administrators);
    }
}

} // namespace
