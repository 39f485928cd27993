#include "DisplayOrder.h"

#include "CharacterWidth.h"

#include <algorithm>

namespace Document {
namespace {

enum class Direction { Left, Right, Number, Neutral, Mark };

bool InRange(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

Direction DirectionOf(char32_t c)
{
    if (InRange(c, U'0', U'9')) {
        return Direction::Number;
    }
    if (c < 0x80) {
        return InRange(c, U'A', U'Z') || InRange(c, U'a', U'z') ? Direction::Left : Direction::Neutral;
    }
    if (CharacterWidth(c) == 0) {
        return Direction::Mark;
    }
    if (InRange(c, 0x0660, 0x0669) || InRange(c, 0x06F0, 0x06F9)) {
        return Direction::Number;
    }
    if (IsRightToLeft(c)) {
        return Direction::Right;
    }
    // Punctuation and symbols: Latin-1's, the general ones, East Asian and
    // full-width ones.
    if (c <= 0xBF || c == 0xD7 || c == 0xF7 || InRange(c, 0x2000, 0x2BFF) || InRange(c, 0x3000, 0x303F) ||
        InRange(c, 0xFE10, 0xFE6F) || InRange(c, 0xFF01, 0xFF20)) {
        return Direction::Neutral;
    }
    return Direction::Left;
}

// A number or a right-to-left letter both keep a neutral between them on the
// right-to-left side.
bool IsStrongRight(Direction direction)
{
    return direction == Direction::Right || direction == Direction::Number;
}

} // namespace

bool IsRightToLeft(char32_t c)
{
    return InRange(c, 0x0590, 0x05FF) || InRange(c, 0xFB1D, 0xFB4F) || InRange(c, 0x0600, 0x06FF) ||
           InRange(c, 0x0750, 0x077F) || InRange(c, 0xFB50, 0xFDFF) || InRange(c, 0xFE70, 0xFEFF);
}

std::vector<DisplayCharacter> DisplayOrder(std::u32string_view line)
{
    if (std::none_of(line.begin(), line.end(), [](char32_t c) { return IsRightToLeft(c); })) {
        return {};
    }
    std::vector<Direction> directions(line.size());
    std::transform(line.begin(), line.end(), directions.begin(), DirectionOf);
    auto firstStrong = std::find_if(directions.begin(), directions.end(),
                                    [](Direction d) { return d == Direction::Left || d == Direction::Right; });
    const Direction base = firstStrong == directions.end() ? Direction::Left : *firstStrong;

    // A mark goes the way of its base; a number after a left-to-right letter
    // is part of that text.
    Direction previous = base, lastStrong = base;
    for (Direction& direction : directions) {
        if (direction == Direction::Mark) {
            direction = previous;
        } else if (direction == Direction::Number && lastStrong == Direction::Left) {
            direction = Direction::Left;
        }
        if (direction == Direction::Left || direction == Direction::Right) {
            lastStrong = direction;
        }
        previous = direction;
    }

    // Neutrals between two characters of one direction take it; the others
    // take the line's.
    for (size_t i = 0; i < directions.size();) {
        if (directions[i] != Direction::Neutral) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < directions.size() && directions[end] == Direction::Neutral) {
            ++end;
        }
        Direction before = i == 0 ? base : directions[i - 1];
        Direction after = end == directions.size() ? base : directions[end];
        Direction resolved = IsStrongRight(before) == IsStrongRight(after)
                                 ? (IsStrongRight(before) ? Direction::Right : Direction::Left)
                                 : base;
        std::fill(directions.begin() + i, directions.begin() + end, resolved);
        i = end;
    }

    // Embedding levels: odd ones are shown right to left.
    const int baseLevel = base == Direction::Right ? 1 : 0;
    std::vector<int> levels(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (directions[i] == Direction::Right) {
            levels[i] = 1;
        } else if (directions[i] == Direction::Number) {
            levels[i] = 2;
        } else {
            levels[i] = baseLevel == 1 ? 2 : 0;
        }
    }

    std::vector<DisplayCharacter> order(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        order[i] = {i, levels[i] % 2 == 1};
    }
    // From the highest level down to the lowest odd one, every run at that
    // level or above is turned around.
    for (int level = *std::max_element(levels.begin(), levels.end()); level >= 1; --level) {
        for (size_t i = 0; i < order.size();) {
            if (levels[order[i].index] < level) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < order.size() && levels[order[end].index] >= level) {
                ++end;
            }
            std::reverse(order.begin() + i, order.begin() + end);
            i = end;
        }
    }
    // A turned-around base with its marks has them before it: they belong
    // after it, on its cell.
    for (size_t i = 0; i < order.size(); ++i) {
        size_t end = i;
        while (end < order.size() && order[end].rightToLeft && CharacterWidth(line[order[end].index]) == 0) {
            ++end;
        }
        if (end > i && end < order.size()) {
            std::reverse(order.begin() + i, order.begin() + end + 1);
        }
        i = end;
    }
    return order;
}

} // namespace Document
