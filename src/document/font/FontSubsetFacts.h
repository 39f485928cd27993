#pragma once
// A subset of a TrueType font as FontSubset makes it: its name, its file and
// the font's metrics, in the font's own units. Facts only: the PDF layer
// (FontPdf) writes them as a CID-keyed font.
#include "TrueTypeFont.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Document {

// Glyph id -> the width the text advances after it, in thousandths of the
// font size (of the em).
using GlyphWidths = std::map<uint16_t, int>;

// A glyph the font does not have, which the subset adds after the font's own:
// the font's glyph `glyph` drawn moved by the offset (in thousandths of the
// em, y upwards), as a composite glyph of one part. Drawn on the baseline
// where its original would need a text rise, a mark is read with its word.
// An `empty` variant draws nothing: a glyph of no outline that only carries
// text. A variant with a `second` glyph draws both, each moved by its own
// offset, as a composite of two parts: two glyphs the shaper gives for one
// character (a Thai AM's NIKHAHIT and AA) drawn as one glyph, which a reader
// that gives a character for every glyph reads as that one character.
struct GlyphVariant {
    uint16_t glyph = 0;
    int xOffset = 0;
    int yOffset = 0;
    bool empty = false;
    uint16_t second = 0; // none when 0
    int secondXOffset = 0;
    int secondYOffset = 0;
};

// The i-th variant is the subset's glyph GlyphCount() + i.
using GlyphVariants = std::vector<GlyphVariant>;

struct FontSubsetFacts {
    std::string name;    // "ABCDEF+DejaVuSansMono": subset tag + PostScript name
    std::string file;    // the subset TrueType file, not yet compressed
    FontMetrics metrics; // in font units, unitsPerEm to the em
};

} // namespace Document
