#pragma once
// A subset TrueType font ready to be written as a CID-keyed font (Type0 with
// a CIDFontType2 descendant, /CIDToGIDMap /Identity, so a character code in
// the content stream is the glyph id). The font code fills it; the PDF writer
// only copies it out.
#include <string>

namespace Document {

struct PdfFontData {
    std::string baseFont;          // "ABCDEF+DejaVuSansMono": subset tag + PostScript name
    std::string fontFile2;         // the subset TrueType file, not yet compressed
    std::string widths;            // the descendant's /W array, e.g. "[3 [602] 17 [602 602]]"
    int defaultWidth = 1000;       // the descendant's /DW
    std::string toUnicodeCMap;     // the whole ToUnicode CMap stream, not yet compressed
    std::string descriptorEntries; // "/Flags 33 /FontBBox [...] /ItalicAngle 0 /Ascent 760 /Descent -240 /CapHeight 729 /StemV 80"
};

} // namespace Document
