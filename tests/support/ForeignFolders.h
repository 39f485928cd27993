#pragma once
// What another user of the machine could do to a folder before this user's
// runs come to it, done by the test itself: Wine has one user. Each answers
// with an empty text when done, else why it could not be done here.
#include <string>

namespace TestSupport {

// An access list that lets Everyone change the folder, as a folder made in a
// shared temporary folder may have.
std::string OpenToEveryone(const std::wstring& folder);

// Gives the folder to another user, the made-up S-1-5-21-1-2-3-1001.
// Windows takes such an owner only from a process that may restore files.
// Wine keeps no owner but the Unix one and ignores the call: there the Unix
// owner becomes uid 1001 (which Wine names S-1-5-7), for a test run as root.
std::string GiveToAnotherUser(const std::wstring& folder);

// Makes link a junction to target. Wine 8 makes none (FSCTL_SET_REPARSE_POINT
// answers ERROR_NOT_SUPPORTED, CreateSymbolicLink does nothing) but reports a
// Unix symbolic link as a reparse point: there link becomes one of those.
std::string MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Takes the link made by MakeFolderLink away, never what it points to.
std::string RemoveFolderLink(const std::wstring& link);

} // namespace TestSupport
