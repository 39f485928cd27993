#include "Sandbox.h"

#include "Files.h"

#include <atomic>

namespace TestSupport {

namespace {

std::string NewRoot()
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    // Process id and counter keep concurrent test executables apart; the tick
    // count keeps a rerun from meeting the leftovers of a killed one.
    return std::string(temp) + "ArdenfoldE2E\\" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
}

} // namespace

Sandbox::Sandbox(Converter converter, const std::string& programFolderName)
    : root_(NewRoot()), programFolderName_(programFolderName)
{
    MakeFolders(ProgramFolder());
    MakeFolders(TempFolder());
    CopyFileOver(ARDENFOLD_COMMANDLINE_EXE, CommandLineExe());
    CopyFileOver(ARDENFOLD_STANDIN_EXE, StandInExe());
    if (converter == Converter::Placed) {
        CopyFileOver(ARDENFOLD_STANDIN_EXE, ConverterExe());
    }
}

Sandbox::~Sandbox()
{
    RemoveTree(root_);
}

} // namespace TestSupport
