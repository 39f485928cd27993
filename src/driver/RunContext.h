#pragma once
#include <string>

namespace Ardenfold_API {

// The state of one run. Main keeps one at module level for the whole process.
struct RunContext {
    std::wstring CommandLineText; // argument text, leading and trailing spaces removed
    std::wstring AppFolderName;   // the application's folder under the maker's folder
    std::wstring DataFolder;      // per-machine data folder; the fallback for the working folder
    std::wstring SignalFilePath;  // working folder + "\CommandLine.txt"
    std::wstring PrintCommand;    // text of the first brace group
    std::wstring OutputPath;      // text of the second brace group
};

} // namespace Ardenfold_API
