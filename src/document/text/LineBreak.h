#pragma once
// Where a line of text may be broken, by the Unicode line breaking
// algorithm with its default rules (numbers kept whole by the regular
// expression form of the number rule).
#include <string>
#include <vector>

namespace Document {

// Element i tells whether the line may be broken before text[i]; the vector
// has text.size() + 1 elements: never before the first character, always
// after the last. The scripts written without spaces between words (Thai,
// Lao, Khmer, Myanmar) get no opportunities of their own here.
std::vector<bool> LineBreakOpportunities(const std::u32string& text);

} // namespace Document
