#pragma once
// Where a line of Thai may be wrapped: Thai is written without blanks
// between words, so its words are found in a dictionary, by libthai's
// breaker and the word lists it ships (compiled into the program).
#include <string_view>
#include <vector>

namespace Document {

// The Thai letters, vowels, tone marks and signs (U+0E01-U+0E5B): the
// characters the dictionary's words are made of.
bool IsThaiWordCharacter(char32_t codePoint);

// The places inside `thai` (a stretch of IsThaiWordCharacter characters)
// where one word ends and the next begins, in ascending order, 0 and the
// stretch's end left out. The dictionary is built on the first call.
std::vector<size_t> ThaiWordBoundaries(std::u32string_view thai);

} // namespace Document
