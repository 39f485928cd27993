#pragma once
// A PDF document read as a viewer reads it, before it is passed on: its
// trailer and cross-reference (rebuilt from the objects themselves when they
// are damaged), its page tree and each page's content streams, read with
// qpdf. An intact document is passed on byte for byte; a damaged one that
// still has a page is written again from what could be read, unless it is
// signed: written again, it would lose the bytes its signature covers.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Converter {

// What one check may cost. A content stream's bytes lie inside the file, and
// a stream that pages share is read once, so a sound document reads at most
// its own size (32 MiB); more means objects that overlap, as only a damaged
// or crafted file has. The time covers the walk over the pages.
struct PdfCheckLimits {
    size_t contentBytes = 64u << 20;
    DWORD milliseconds = 60'000;
    size_t keptFindings = 100; // qpdf's findings kept in the damage list; the rest are counted
};

struct CheckedPdf {
    std::string bytes;  // the document's own bytes when intact, the repaired file otherwise
    size_t pages = 0;   // 0 when a password locks the document
    bool encrypted = false;
    // Encrypted with a user password the converter cannot know: its trailer
    // and cross-reference were read, but its pages cannot be without the
    // password, so it is passed on as it is.
    bool locked = false;
    // What was found damaged, in qpdf's words, the first keptFindings of it;
    // empty when the bytes are the document's own.
    std::vector<std::wstring> damage;
    size_t unlistedDamage = 0; // findings past those in damage
};

// Throws Document::DocumentError, with the reason, when no page can be read
// from the document: no trailer can be found, the page tree is empty or
// lost, or a document locked by a password is damaged as well; when it is
// damaged and signed; or when reading its pages passes a limit.
CheckedPdf CheckPdf(std::string document, const PdfCheckLimits& limits = {});

} // namespace Converter
