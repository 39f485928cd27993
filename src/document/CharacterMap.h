#pragma once
// The Unicode character map of a TrueType font (its 'cmap' table): which
// glyph draws a code point. Readable on its own, so that the fonts of the
// system can be asked about a character before the whole font is read.
#include <cstdint>
#include <string>
#include <string_view>

namespace Converter {

class CharacterMap {
public:
    // Takes the best Unicode subtable of the table: the full repertoire
    // (format 12) before the Basic Multilingual Plane (format 4). Throws
    // DocumentError when the chosen subtable is damaged or there is none.
    explicit CharacterMap(std::string_view cmapTable);

    // The glyph id the map gives, 0 when none; the caller checks it
    // against the font's glyph count.
    uint32_t GlyphFor(char32_t codePoint) const;

private:
    std::string subtable_; // from the chosen subtable to the end of the table
    int format_ = 0;       // 4 or 12
};

} // namespace Converter
