#pragma once
// A subset of a TrueType font as FontSubset makes it: its name, its file and
// the font's metrics, in the font's own units. Facts only: the PDF layer
// (FontPdf) writes them as a CID-keyed font.
#include "TrueTypeFont.h"

#include <cstdint>
#include <map>
#include <string>

namespace Document {

// Glyph id -> the width the text advances after it, in thousandths of the
// font size (of the em).
using GlyphWidths = std::map<uint16_t, int>;

struct FontSubsetFacts {
    std::string name;    // "ABCDEF+DejaVuSansMono": subset tag + PostScript name
    std::string file;    // the subset TrueType file, not yet compressed
    FontMetrics metrics; // in font units, unitsPerEm to the em
};

} // namespace Document
