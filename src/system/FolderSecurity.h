#pragma once
// Folders that several users of one machine can reach: a folder is trusted
// only when no other user could have put it there, could change what is in
// it, or could have turned it into a link to somewhere else, as the spooler
// does with its own folders. Every name, folder and file that another user
// could reach counts as hostile until it has been checked.
#include <windows.h>

#include <string>
#include <vector>

namespace Global {

// Access granted to a well-known account, with AddAccessAllowedAceEx's
// inheritance flags (0: this folder only).
struct FolderGrant {
    WELL_KNOWN_SID_TYPE account;
    DWORD rights;
    DWORD inheritance;
};

// Throws Error naming the folder and why, unless it is a folder and no link
// (no reparse point), its owner is this process's user (or Administrators
// for an elevated run of the same user, when the folder admits nobody but
// this user, SYSTEM and Administrators), and its access list lets nobody but
// this user, SYSTEM and Administrators write to it, delete from it, change
// its access list or take it over (no access list at all lets everyone).
void CheckPrivateFolder(const std::wstring& path);

// Makes the folder (its parent must exist) for this user alone: this user
// owns it, and full control goes to this user, SYSTEM and Administrators
// only, none of it inherited from the parent. A folder of that name already
// there (another run's, or one made meanwhile) is checked instead. Throws
// Error "The folder "..." could not be made: <reason>." or CheckPrivateFolder's.
void MakePrivateFolder(const std::wstring& path);

// For an elevated installer: makes the folder, or resets the one already
// there, owned by Administrators, with an access list of its own: full
// control to SYSTEM and Administrators, read and execute to Users, and the
// extra grants. A link of that name is taken away (the link, never what it
// points to) and the folder made anew; a folder that a non-administrator
// owns is taken over. What lies inside keeps its own access lists. Throws
// Error naming the folder and why.
void MakeMachineFolder(const std::wstring& path, const std::vector<FolderGrant>& extra = {});

} // namespace Global
