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

// CommandLine.exe's start-up: the working folder, made where missing, or
// dataFolder when it cannot be had; then "\CommandLine.txt". Throws
// Global::Error naming the folder when making it fails.
std::wstring ResolveSignalFilePath(const std::wstring& dataFolder);

// The converter's side: the same rule, reading only. The working folder
// when it exists, else the data folder as start-up chose it; the shell is
// asked only then. Makes nothing: CommandLine.exe made whatever it used.
// Throws Global::Error when the shell lookup fails.
std::wstring FindSignalFilePath();

} // namespace SignalExchange
