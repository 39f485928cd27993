#pragma once
// The documents of the soak, made from its seed so that a run can be repeated.
#include <cstdint>
#include <string>

#include "Faults.h"

namespace Soak {

// Plain ASCII text, 1 to 150 lines of at most 76 characters (no line wraps,
// up to three pages), that begins with the run's number and the seed, so
// that no two runs' documents have the same text.
std::string MakeText(size_t run, uint32_t seed);

// The bytes of a hostile document of that kind (HostileBytes,
// HostileHugePng or HostileTruncatedJpeg), and the name it is saved under.
std::string MakeHostile(Fault fault, size_t run, uint32_t seed);
std::string HostileFileName(Fault fault);

// The text as a PostScript job of its own (DSC, a %%Title:, 60 lines a page
// in Courier); cut short, it stops in its last page, without its %%EOF.
std::string MakePostScript(const std::string& text, const std::string& title, bool cutShort);

// The words tests/printer/PrintText.exe prints, "w<page>x<n>", as lines.
std::string PrintTextWords(int wordsPerPage, int pages);

} // namespace Soak
