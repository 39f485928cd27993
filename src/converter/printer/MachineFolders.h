#pragma once
// The per-machine folders that every user's runs share: common application
// data + "\Marrowgate" and "\Marrowgate\Ardenfold Converter", the data
// folder. Made by the elevated installer (PDFCreator.exe /AddPrinter) before
// anything is put there, so that no user's run makes them first with
// whatever rights common application data hands down, and no user can turn
// them into links for a later elevated run to write or delete through.
#include "FolderSecurity.h"

#include <string>
#include <vector>

namespace Converter {

// What ordinary users may do in the data folder besides reading it: add a
// file (a run whose working folder cannot be had keeps its signal file
// there), and have full control of what they added themselves, but delete
// or change nothing of another user's and make no folder there.
std::vector<Global::FolderGrant> DataFolderGrants();

// Makes both folders, or resets the ones there (Global::MakeMachineFolder):
// owned by Administrators, full control to SYSTEM and Administrators, read
// to Users, and the data folder's grants; a link in either place is taken
// away. Returns the data folder's path. Throws Failure(UnexpectedError)
// naming the folder and why, or when the system names no common
// application-data folder.
std::wstring SecureMachineFolders();

} // namespace Converter
