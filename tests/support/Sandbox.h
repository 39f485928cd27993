#pragma once
// A fresh folder per test from which the real CommandLine.exe runs:
//
//   <root>\<program folder>\CommandLine.exe   copy of the built program
//   <root>\<program folder>\PDFCreator.exe    the stand-in, as the converter (optional)
//   <root>\StandIn.exe                        the stand-in, for print commands and handlers
//   <root>\temp\                              the child's TMP and TEMP
//   <root>\standin.log                        what the stand-in's runs record
//
// The root lies under the test process's own temporary folder and is
// removed, with everything in it, when the Sandbox goes.
#include <string>

namespace TestSupport {

// Whether the stand-in is placed as PDFCreator.exe in the program folder.
enum class Converter { Placed, Missing };

class Sandbox {
public:
    // The program folder's name may contain spaces.
    explicit Sandbox(Converter converter = Converter::Placed, const std::string& programFolderName = "program");
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // All without a trailing backslash.
    const std::string& Root() const { return root_; }
    std::string ProgramFolder() const { return root_ + "\\" + programFolderName_; }
    std::string CommandLineExe() const { return ProgramFolder() + "\\CommandLine.exe"; }
    std::string ConverterExe() const { return ProgramFolder() + "\\PDFCreator.exe"; }
    std::string StandInExe() const { return root_ + "\\StandIn.exe"; }
    std::string TempFolder() const { return root_ + "\\temp"; }
    // Where the program keeps its signal file.
    std::string WorkFolder() const { return TempFolder() + "\\PDFCreator"; }
    std::string SignalFile() const { return WorkFolder() + "\\CommandLine.txt"; }
    std::string LogFile() const { return root_ + "\\standin.log"; }

private:
    std::string root_;
    std::string programFolderName_;
};

} // namespace TestSupport
