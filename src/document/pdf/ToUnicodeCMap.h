#pragma once
// The ToUnicode CMap of a CID-keyed font whose character codes are glyph ids
// (two bytes, Identity-H): what a PDF reader's copy and search, and text
// extraction, give back for each glyph. A glyph may stand for several
// characters (a base character and its combining marks); characters beyond
// the Basic Multilingual Plane are written as UTF-16 surrogate pairs.
#include <cstdint>
#include <map>
#include <string>

namespace Document {

// The whole CMap stream, not yet compressed. Glyphs whose text is empty get
// no entry; a value that is no Unicode scalar value reads back as U+FFFD
// (Utf16Units).
std::string ToUnicodeCMap(const std::map<uint16_t, std::u32string>& glyphText);

} // namespace Document
