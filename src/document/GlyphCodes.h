#pragma once
// The character codes that a page's text shows a CID-keyed font's glyphs
// by. Identity-H would spend two bytes on every character; here the first
// 128 glyphs a document uses get one byte each (0x00-0x7F) and the rest two
// (0x8000 upwards), so that a text's content streams are half the size
// before compression and a sixth smaller after it. The font carries the
// mapping twice: as its Encoding CMap (code to CID, where CID = glyph id)
// and as its ToUnicode CMap (code to text).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Document {

struct GlyphCode {
    uint16_t value = 0;
    bool twoBytes = false;
};

class GlyphCodes {
public:
    // The glyph's code, given on its first use; nothing when every code is taken.
    std::optional<GlyphCode> CodeFor(uint16_t glyph);

    // The Encoding CMap stream's data, and the entries its stream dictionary needs.
    std::string EncodingCMap(const std::string& name) const;
    // The ToUnicode CMap stream's data; glyphs without text get no entry.
    std::string ToUnicodeCMap(const std::map<uint16_t, std::u32string>& glyphText) const;

private:
    std::vector<std::pair<GlyphCode, uint16_t>> assigned_; // in order of code
    std::unordered_map<uint16_t, GlyphCode> byGlyph_;
};

} // namespace Document
