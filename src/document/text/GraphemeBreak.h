#pragma once
// Where a text's user-perceived characters (extended grapheme clusters)
// begin: a base letter with its marks, a Hangul syllable, an emoji sequence,
// a flag. A line is only ever broken at one of these places.
#include <string>
#include <vector>

namespace Document {

// Element i tells whether a cluster boundary lies before text[i]; the
// vector has text.size() + 1 elements, the last (the end of the text) true.
std::vector<bool> GraphemeBoundaries(const std::u32string& text);

} // namespace Document
