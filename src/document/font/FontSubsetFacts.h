#pragma once
// The facts about a subset TrueType font that the PDF writer needs to embed
// it as a CID-keyed font (FontPdf): its name, its file, and the metrics its
// font descriptor states. The font code fills it, in the font's own units;
// the PDF layer turns it into PDF text.
#include "TrueTypeFont.h"

#include <cstdint>
#include <map>
#include <string>

namespace Document {

// Glyph id -> the width the text advances after it, in thousandths of the
// font size (of the em).
using GlyphWidths = std::map<uint16_t, int>;

struct PdfFontData {
    std::string baseFont;  // "ABCDEF+DejaVuSansMono": subset tag + PostScript name
    std::string fontFile2; // the subset TrueType file, not yet compressed
    FontMetrics metrics;   // in font units, unitsPerEm to the em
};

} // namespace Document
