#pragma once
// The most that a document handed to the converter may ask of it, beyond
// the image limits: a larger document is refused with a DocumentError
// before its conversion takes the memory. Listed in src/converter/README.md.
#include <cstddef>

namespace Converter::Limits {

// A document's size: six times the largest real text the benchmark
// converts; the characters of a text this size take 128 MiB of a 32-bit
// process's 2 GiB.
inline constexpr std::size_t kMaxDocumentBytes = 32u << 20;

// Pages of one PDF: a text of that size has some 11,000.
inline constexpr std::size_t kMaxPages = 20'000;

} // namespace Converter::Limits
