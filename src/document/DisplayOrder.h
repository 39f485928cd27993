#pragma once
// The order a line's characters are shown in, left to right, when some of
// them are written right to left (Hebrew, Arabic): the few rules of the
// bidirectional algorithm a plain-text line needs, without embeddings or
// explicit direction marks.
#include <string_view>
#include <vector>

namespace Document {

// A strong right-to-left character: a Hebrew or Arabic letter.
bool IsRightToLeft(char32_t codePoint);

struct DisplayCharacter {
    size_t index; // the character's place in the line as written
    bool rightToLeft; // in a run that is shown right to left
};

// The line's characters as shown from left to right. The line's direction is
// that of its first strong character; a run of right-to-left characters
// (with the blanks between them) is shown right to left, and so is a whole
// right-to-left line, with the left-to-right words and the numbers inside
// it kept in their order. A combining mark stays after its base. Empty when
// the line has no right-to-left character: it is shown as written.
std::vector<DisplayCharacter> DisplayOrder(std::u32string_view line);

} // namespace Document
