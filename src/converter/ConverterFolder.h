#pragma once
// Where PDFCreator.exe keeps its spool and its log: the user's local
// application data + "\Marrowgate\Ardenfold". A test points it at a folder of
// its own through the environment variable ARDENFOLD_CONVERTER_FOLDER, so
// that no test empties a user's spool or reads a user's log.
#include <string>

namespace Converter {

inline constexpr char ConverterFolderVariable[] = "ARDENFOLD_CONVERTER_FOLDER";

// Asked once, at the start of a run; nothing is made. Throws
// Failure(SpoolUnusable) when the local application-data folder is unknown.
std::wstring FindConverterFolder();

// Makes the folder and whichever of its parents are missing; another
// process making one of them at the same time does no harm. Throws
// Failure(SpoolUnusable) naming the folder that could not be made.
void MakeFolderTree(const std::wstring& path);

} // namespace Converter
