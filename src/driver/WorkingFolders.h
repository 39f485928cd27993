#pragma once
// Where a run keeps its data and its signal file. The converter side finds
// the signal file by these same functions, so both ends always agree.
#include <string>

namespace Ardenfold_API {

// Shell special-folder number of the common application-data folder.
constexpr int CommonAppDataFolder = 35;

// The application's folder name, built from the fixed code table.
std::wstring BuildAppFolderName();

// The per-machine data folder: common application data + "\Marrowgate\" +
// appFolderName, made where missing (maker's folder first); the program
// folder when the shell gives no common application-data folder. Throws
// Global::Error naming the folder when one cannot be made.
std::wstring ResolveDataFolder(const std::wstring& appFolderName);

// The signal file's full path: the working folder "PDFCreator" under the long
// form of the temporary folder, made where missing, or dataFolder when it
// cannot be had; then "\CommandLine.txt". Throws Global::Error naming the
// folder when making it fails.
std::wstring ResolveSignalFilePath(const std::wstring& dataFolder);

// The whole rule in one call, as the start-up stage applies it.
std::wstring FindSignalFilePath();

// Makes one folder whose parent exists. Throws Global::Error naming the
// folder and the system's reason.
void MakeFolder(const std::wstring& path);

} // namespace Ardenfold_API
