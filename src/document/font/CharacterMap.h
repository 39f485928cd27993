#pragma once
// The Unicode character map of a TrueType font (its 'cmap' table): which
// glyph draws a code point. Readable on its own, so that the fonts of the
// system can be asked about a character before the whole font is read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

class CharacterMap {
public:
    // Takes the best Unicode subtable of the table: the full repertoire
    // (format 12) before the Basic Multilingual Plane (format 4). Throws
    // DocumentError when the chosen subtable is damaged or there is none.
    explicit CharacterMap(std::string_view cmapTable);

    // The glyph id the map gives, 0 when none; the caller checks it
    // against the font's glyph count.
    uint32_t GlyphFor(char32_t codePoint) const;

    // GlyphFor of every code point of the Basic Multilingual Plane, in one
    // pass over the subtable; ids from glyphCount up become 0. A font reads
    // its characters from this table: a text of millions of characters then
    // costs no search for each.
    std::vector<uint16_t> BmpGlyphs(uint32_t glyphCount) const;

private:
    uint32_t Format4Glyph(size_t segment, char32_t codePoint) const;

    std::string subtable_; // from the chosen subtable to the end of the table
    int format_ = 0;       // 4 or 12
};

} // namespace Document
