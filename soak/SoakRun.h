#pragma once
// One conversion of the soak: its documents and output folder, the run of
// the real CommandLine.exe in a job of its own, the fault injected into it, the
// answers to its message boxes, and the checks of what it left.
#include "ChildProcess.h"
#include "Faults.h"
#include "Handle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Soak {

// Where everything is, as Windows paths without a trailing backslash.
struct Places {
    std::string programFolder; // CommandLine.exe and PDFCreator.exe
    std::string printRunExe;   // the print run that stays until it is killed
    std::string work;          // the soak's own folder
    std::string printTextExe;  // a program that prints through GDI
    std::string printRawExe;   // a program that prints a PostScript job of its own
    std::string Temp() const { return work + "\\temp"; }
    std::string SignalFile() const { return Temp() + "\\PDFCreator\\CommandLine.txt"; }
    // The printer's share runs in two sessions, each with a TMP of its own.
    std::string SessionTemp(size_t session) const { return work + (session == 0 ? "\\tempA" : "\\tempB"); }
    // A small file system that a file called "filler" has filled up.
    std::string FullFolder() const { return work + "\\full"; }
};

struct RunRecord {
    size_t run = 0;
    Fault fault = Fault::None;
    bool injected = false; // false: the moment for the fault never came
    bool late = false;     // a converter run killed after its PDF was in place
    bool exited = false;
    DWORD exitCode = 0;
    DWORD ms = 0;
    std::vector<std::string> boxes;    // title | text, one per box shown
    std::vector<std::string> failures; // the invariants this run broke
    std::string pdf;                   // relative to the work folder: a PDF to compare with...
    std::string expectedText;          // ...this text; both empty when there is nothing to compare
};

class SoakRun {
public:
    SoakRun(const Places& places, size_t run, Fault fault, uint32_t seed);
    ~SoakRun();
    SoakRun(const SoakRun&) = delete;
    SoakRun& operator=(const SoakRun&) = delete;

    // Injects the fault when its moment has come, answers a new message box,
    // and kills a run past its bound. True once the run has ended.
    bool Poll();
    // The checks, once Poll has returned true.
    RunRecord Finish();

private:
    void Prepare();
    void Inject();
    void AnswerBoxes();
    void CheckOutput(RunRecord& record);
    std::string PreparePrinted(const std::string& root);
    void InjectPrinted();

    const Places& places_;
    const Expectation& expectation_;
    RunRecord record_;
    uint32_t seed_;
    std::string folder_;   // runs\NNNN
    std::string document_; // the document the print run takes
    std::string output_;   // the output path on the command line
    Global::FileHandle held_;
    Global::KernelHandle printed_; // set by the print run that stays
    Global::KernelHandle halfWay_; // set by the printing program half-way through its job...
    Global::KernelHandle goOn_;    // ...which goes on once this is set
    DWORD heldAt_ = 0;             // when the job's file was taken hold of
    std::string printCommand_;     // the printer's runs: the printing program's command line
    std::unique_ptr<TestSupport::ChildProcess> child_;
    DWORD started_ = 0;
    DWORD converterStartedAt_ = 0; // when the converter run's start-up was seen over
    DWORD killDelayMs_ = 0;
    bool killed_ = false;
    DWORD lastBoxCheck_ = 0;
    HWND lastBox_ = nullptr;
};

} // namespace Soak
