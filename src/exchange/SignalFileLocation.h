#pragma once
// Where the signal file lies: the working folder "PDFCreator" under the long
// form of the user's temporary folder, or the per-machine data folder when
// that folder cannot be had. Both programs find it by this one rule.
#include "FileProbes.h"

#include <functional>
#include <string>

namespace SignalExchange {

// Tells whether a folder exists: Global::FolderExists, or a test's recorder.
using FolderTest = std::function<bool(const std::wstring& path)>;

// Shell special-folder number of the common application-data folder.
inline constexpr int CommonAppDataFolder = 35;

// The application's folder name, built from the fixed code table.
std::wstring BuildAppFolderName();

// The per-machine data folder as the converter finds it (its installer makes
// it, its printer's old port lay in it): the common application-data folder
// asked of the shell's folder function (Global::GetKnownFolder) +
// "\Marrowgate\" + BuildAppFolderName(). The empty string when the system
// names no common application-data folder.
std::wstring MachineDataFolder();

// Makes one folder whose parent exists; a folder that another process made
// meanwhile will do. Throws Global::Error naming the folder and the system's
// reason.
void MakeFolder(const std::wstring& path);

// CommandLine.exe's start-up: the per-machine data folder, common
// application data + "\Marrowgate\" + appFolderName, made where missing
// (maker's folder first); the program folder when the shell gives no common
// application-data folder. The shell is asked anew at each use, and every
// folder test is made, in a fixed order. Throws Global::Error when a folder
// cannot be made or the shell lookup fails.
std::wstring ResolveDataFolder(const std::wstring& appFolderName, const FolderTest& folderExists = Global::FolderExists);

// The working folder, "PDFCreator" under the long form of the user's
// temporary folder (a bare name, against the current folder, when the
// temporary folder has no long form). Nothing is made.
std::wstring WorkFolderPath();

// The spool's folder beside the signal file: "<its folder>\Spool".
std::wstring SpoolFolderFor(const std::wstring& signalFilePath);

// CommandLine.exe's start-up: the working folder, made where missing for
// this user alone, or dataFolder when it cannot be had; then
// "\CommandLine.txt". A working folder already there, and the spool in the
// signal file's folder when there is one, are used only when this user owns
// them, nobody else may change them and neither is a link. Throws
// Global::Error naming the folder when making it fails or it is refused.
std::wstring ResolveSignalFilePath(const std::wstring& dataFolder);

// The converter's side: the same rule, reading only. The working folder
// when it exists, else the data folder as start-up chose it; the shell is
// asked only then. Makes nothing: CommandLine.exe made whatever it used.
// Throws Global::Error when the shell lookup fails.
std::wstring FindSignalFilePath();

} // namespace SignalExchange
