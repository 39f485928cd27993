// The PDF check under a fuzzer: our use of qpdf on any bytes. A document is
// refused with a DocumentError, or passed on: its own bytes when nothing was
// found, otherwise a repaired file with at least one page, which the check
// takes as intact, with as many pages, when it is checked again. Nothing
// else may leave the check (qpdf's own exceptions become its refusals).
// fuzz-seeds: *.pdf
#include "DocumentError.h"
#include "PdfCheck.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string document(reinterpret_cast<const char*>(data), size);
    // Well inside libFuzzer's own limit of a run, so that the check's limit
    // is what ends a slow document.
    Converter::PdfCheckLimits limits;
    limits.milliseconds = 3000;
    Converter::CheckedPdf checked;
    try {
        checked = Converter::CheckPdf(document, limits);
    } catch (const Document::DocumentError& error) {
        Check(!error.Description().empty());
        return 0;
    }
    if (checked.locked) {
        Check(checked.bytes == document && checked.encrypted && checked.pages == 0);
        return 0;
    }
    Check(checked.pages > 0);
    Check(checked.damage.size() <= limits.keptFindings);
    if (checked.damage.empty()) {
        Check(checked.bytes == document && checked.unlistedDamage == 0);
        return 0;
    }
    Converter::CheckedPdf again = Converter::CheckPdf(checked.bytes, limits);
    Check(again.damage.empty() && again.pages == checked.pages && again.bytes == checked.bytes);
    return 0;
}
