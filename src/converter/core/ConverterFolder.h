#pragma once
// Where PDFCreator.exe keeps its log: the user's local application data +
// "\Marrowgate\Ardenfold" (the spool lies beside the signal file). A test
// points it at a folder of its own through the environment variable
// ARDENFOLD_CONVERTER_FOLDER, so that no test reads a user's log.
#include <string>

namespace Converter {

inline constexpr char ConverterFolderVariable[] = "ARDENFOLD_CONVERTER_FOLDER";

// Asked once, when the run's log line is due; nothing is made. Throws
// Failure(SpoolUnusable) when the local application-data folder is unknown.
std::wstring FindConverterFolder();

// Makes the folder and whichever of its parents are missing; another
// process making one of them at the same time does no harm. Throws
// Failure(SpoolUnusable) naming the folder that could not be made.
void MakeFolderTree(const std::wstring& path);

} // namespace Converter
