#pragma once
// A document as the renderer is given it: what its print run found it to
// be, and its bytes, held whole or lying in a file between two offsets.
// Where that file comes from, and how it is laid out, is the spool's own
// affair (jobs/Spool).
#include "DocumentKind.h"
#include "TextDecoding.h"

#include <string>

namespace Converter {

// What a print run found its document to be, so that the conversion need
// not look again.
struct JobKind {
    Document::DocumentKind kind = Document::DocumentKind::Text;
    Document::TextEncoding encoding = Document::TextEncoding::Utf8; // of a text
    unsigned codePage = 0;      // for a text: the code page it is read in, 0 for the ANSI one
    unsigned long strays = 0;   // for UTF-8 with strays: its malformed sequences
};

// A document held whole: its name (the file name it had, which becomes the
// PDF's title), its bytes, its kind.
struct Job {
    std::wstring documentName;
    std::string document;
    JobKind kind;
};

// A document read a piece at a time: its bytes are those of the file at
// path from offset on, size of them.
struct StoredJob {
    std::wstring documentName;
    JobKind kind;
    std::wstring path;
    unsigned long long offset = 0;
    unsigned long long size = 0;
};

} // namespace Converter
