#pragma once
// A PDF document read as a viewer reads it, before it is passed on: its
// trailer and cross-reference (rebuilt from the objects themselves when they
// are damaged), its page tree and each page's content streams, read with
// qpdf. An intact document is passed on byte for byte; a damaged one that
// still has a page is written again from what could be read.
#include <string>
#include <vector>

namespace Converter {

struct CheckedPdf {
    std::string bytes;  // the document's own bytes when intact, the repaired file otherwise
    size_t pages = 0;   // 0 when a password locks the document
    bool encrypted = false;
    // Encrypted with a user password the converter cannot know: its trailer
    // and cross-reference were read, but its pages cannot be without the
    // password, so it is passed on as it is.
    bool locked = false;
    // What was found damaged, in qpdf's words; empty when the bytes are the
    // document's own.
    std::vector<std::wstring> damage;
};

// Throws Document::DocumentError, with the reason, when no page can be read
// from the document: no trailer can be found, the page tree is empty or
// lost, or a document locked by a password is damaged as well.
CheckedPdf CheckPdf(std::string document);

} // namespace Converter
