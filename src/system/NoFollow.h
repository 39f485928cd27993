#pragma once
// Reaching a folder or a file without following a link (a junction, a
// symbolic link, any reparse point): a name that another user could have
// replaced by a link must never lead a check, or a delete, to wherever the
// link points.
//
// Windows opens the link itself under FILE_FLAG_OPEN_REPARSE_POINT, and the
// handle's attributes then say so. Wine ignores the flag and opens the
// target, reporting the link only through the name (GetFileAttributes,
// FindFirstFile): the name and the handle are both asked, and a link whose
// handle is not the link itself is never deleted through that handle.
#include "Handle.h"

#include <windows.h>

#include <string>

namespace Global {

struct NoFollowEntry {
    FileHandle handle;
    DWORD attributes = 0; // the handle's
    bool isLink = false;  // the name or the handle says it is a reparse point
    // The handle is on the link itself, so that a delete through it takes
    // the link away; false for every entry that is no link.
    bool handleIsLink = false;

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Opens the entry with the given access; nothing else may delete or rename
// it while the handle is held unless shareDelete. An entry that is not
// there gives an entry without a handle; any other failure throws Error
// naming the path and the system's reason.
NoFollowEntry OpenNoFollow(const std::wstring& path, DWORD access, bool shareDelete = true);

// Deletes the file, or the link of that name as a link (never its target).
// A folder that is no link is not touched: Error. What is not there is no
// error. Throws Error naming the path and why, among others when the system
// can open the link only through to its target.
void DeleteFileNoFollow(const std::wstring& path);

// Deletes the folder and everything in it; a link inside, or the folder
// itself when it is one, is deleted as a link and never descended into.
// What is not there is no error. Throws Error naming the first entry that
// could not be deleted and why; what could be deleted before is gone.
void DeleteTreeNoFollow(const std::wstring& path);

} // namespace Global
