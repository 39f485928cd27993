#pragma once
// What makes a PDF of ours fit for an archive, written beside its pages:
// the XMP metadata that repeats the document information and names the
// conformance claimed, and the output intent that says which colours the
// device colours of the pages are (sRGB). A file claims a conformance only
// when the writer knows that it has it: one that falls short says so by
// claiming none, and still carries its metadata and intent.
#include "DocumentInfo.h"
#include "PdfFile.h"

#include <string>

namespace Document {

enum class Conformance {
    None,
    // Archival, every piece of text mapped to its characters.
    Unicode,
    // Archival, but some glyph stands for no characters (it looks right,
    // and not all of it is found).
    Basic,
};

// The XMP packet: title, producer, the dates of the information
// dictionary with their time zone, and the claim.
std::string XmpMetadata(const DocumentInfo& info, Conformance conformance);

// What the file may claim: what its contents allow (`allowed`), as far as
// the standard asked for goes. Throws std::invalid_argument for a standard
// this writer does not make (PDF/A-1b), which callers refuse beforehand.
Conformance Claim(PdfStandard standard, Conformance allowed);

// Writes the metadata stream, the output intent and its profile, and adds
// them to the catalog; nothing for plain PDF.
void WriteArchivalParts(PdfFile& file, const DocumentInfo& info, Conformance allowed, PdfDictionary& catalog);

} // namespace Document
