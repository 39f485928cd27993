#include "Sandbox.h"

#include "Files.h"

#include <windows.h>

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
    CopyFileOver(BuiltCommandLineExe(), CommandLineExe());
    CopyFileOver(BuiltStandInExe(), StandInExe());
    if (converter == Converter::Placed) {
        CopyFileOver(BuiltStandInExe(), ConverterExe());
    }
}

Sandbox::~Sandbox()
{
    RemoveTree(root_);
}

std::string Sandbox::ProgramFolder() const
{
    return root_ + "\\" + programFolderName_;
}

std::string Sandbox::CommandLineExe() const
{
    return ProgramFolder() + "\\CommandLine.exe";
}

std::string Sandbox::ConverterExe() const
{
    return ProgramFolder() + "\\PDFCreator.exe";
}

std::string Sandbox::StandInExe() const
{
    return root_ + "\\StandIn.exe";
}

std::string Sandbox::TempFolder() const
{
    return root_ + "\\temp";
}

std::string Sandbox::WorkFolder() const
{
    return TempFolder() + "\\PDFCreator";
}

std::string Sandbox::SignalFile() const
{
    return WorkFolder() + "\\CommandLine.txt";
}

std::string Sandbox::LogFile() const
{
    return root_ + "\\standin.log";
}

} // namespace TestSupport
