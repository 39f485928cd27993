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

// Writes the metadata stream, the output intent and its profile, and adds
// them to the catalog.
void WriteArchivalParts(PdfFile& file, const DocumentInfo& info, Conformance conformance, PdfDictionary& catalog);

} // namespace Document
