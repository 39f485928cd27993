#pragma once
// The part of a TrueType font that a document needs, and the facts about it
// that the PDF writer embeds it with. The subset keeps the font's glyph ids (the
// content stream shows glyph ids, /CIDToGIDMap /Identity) and empties every
// glyph the document does not use; glyph 0 and the parts of the composite
// glyphs it uses stay. Of the tables it keeps what a PDF reader draws with
// (head, hhea, hmtx, maxp, loca, glyf and the hinting tables cvt, fpgm,
// prep), a 'post' without glyph names, and a 'cmap' for the characters shown,
// so that the subset is a font of its own that any font reader takes.
#include "FontSubsetFacts.h"
#include "TrueTypeFont.h"

#include <cstdint>
#include <map>
#include <string>

namespace Document {

// The subset with these glyphs, its name ("ABCDEF+" and the PostScript
// name; the tag follows from the glyphs kept) and the font's metrics.
// usedGlyphs: each glyph the document shows and the text it stands for.
// Glyph ids the font does not have are ignored. widths: the advance a glyph
// is drawn with where that is not the font's own (text on a grid of cells);
// the subset's metrics then say the same as the PDF's widths, so that a
// reader that measures with the font file finds no gap where the PDF has
// none. variants: glyphs added after the font's own, each its original moved;
// usedGlyphs and widths name them by the ids they take. Throws DocumentError
// when a used glyph is damaged, or when the variants do not fit in the
// glyph ids a font can have.
FontSubsetFacts BuildFontSubset(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& usedGlyphs,
                                const GlyphWidths& widths = {}, const GlyphVariants& variants = {});

} // namespace Document
