#pragma once
// The order a line's characters are shown in, by the Unicode bidirectional
// algorithm (FriBidi): each character's embedding level, the paragraph's
// direction, and the characters from left to right.
#include <cstdint>
#include <string_view>
#include <vector>

namespace Document {

enum class ParagraphDirection {
    // That of the first strong character (rules P2, P3); left to right when
    // there is none.
    FirstStrong,
    LeftToRight,
    RightToLeft,
};

struct DisplayOrder {
    // 0 for a left-to-right paragraph, 1 for a right-to-left one.
    int paragraphLevel = 0;
    // Each character's level, as written, after the line's rules (L1): an
    // odd level is shown right to left.
    std::vector<uint8_t> levels;
    // The characters' places as written, in the order they are shown from
    // left to right (L2; marks are not moved after their bases, L3).
    std::vector<size_t> visual;
};

// The line is taken as a paragraph of its own.
DisplayOrder ResolveDisplayOrder(std::u32string_view line,
                                 ParagraphDirection direction = ParagraphDirection::FirstStrong);

// The runs of a line in the order they are shown from the left, each once:
// `visual` is DisplayOrder's, `runOf` the run of each character as written.
// A run of characters of one level is never parted by the order, so each
// run takes the place of its characters.
std::vector<size_t> RunsInDisplayOrder(const std::vector<size_t>& visual, const std::vector<size_t>& runOf);

// The character that shows a right-to-left run's mirrored twin (a bracket's
// other half); the character itself when it has none.
char32_t MirroredCharacter(char32_t codePoint);

// True when no character of the line can be shown right to left, so that
// its order is the written one: no right-to-left letter, no explicit
// direction control.
bool IsPlainLeftToRight(std::u32string_view line);

} // namespace Document
