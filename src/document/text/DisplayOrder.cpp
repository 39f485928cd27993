#include "DisplayOrder.h"

#include "DocumentError.h"

#include <fribidi.h>

#include <algorithm>
#include <numeric>

namespace Document {

DisplayOrder ResolveDisplayOrder(std::u32string_view line, ParagraphDirection direction)
{
    DisplayOrder order;
    const auto length = static_cast<FriBidiStrIndex>(line.size());
    FriBidiParType base = direction == ParagraphDirection::LeftToRight    ? FRIBIDI_PAR_LTR
                          : direction == ParagraphDirection::RightToLeft ? FRIBIDI_PAR_RTL
                                                                         : FRIBIDI_PAR_ON;
    if (line.empty()) {
        order.paragraphLevel = base == FRIBIDI_PAR_RTL ? 1 : 0;
        return order;
    }
    static_assert(sizeof(FriBidiChar) == sizeof(char32_t));
    const auto* text = reinterpret_cast<const FriBidiChar*>(line.data());
    std::vector<FriBidiCharType> types(line.size());
    fribidi_get_bidi_types(text, length, types.data());
    std::vector<FriBidiBracketType> brackets(line.size());
    fribidi_get_bracket_types(text, length, types.data(), brackets.data());
    std::vector<FriBidiLevel> levels(line.size());
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &base, levels.data()) == 0) {
        throw DocumentError(L"The bidirectional algorithm could not resolve a line of text (out of memory).");
    }
    std::vector<FriBidiStrIndex> map(line.size());
    std::iota(map.begin(), map.end(), 0);
    // No flags: combining marks stay where rule L2 puts them; a shaper places
    // them on their bases.
    if (fribidi_reorder_line(0, types.data(), length, 0, base, levels.data(), nullptr, map.data()) == 0) {
        throw DocumentError(L"The bidirectional algorithm could not order a line of text (out of memory).");
    }
    order.paragraphLevel = FRIBIDI_IS_RTL(base) ? 1 : 0;
    order.levels.assign(levels.begin(), levels.end());
    order.visual.assign(map.begin(), map.end());
    return order;
}

std::vector<size_t> RunsInDisplayOrder(const std::vector<size_t>& visual, const std::vector<size_t>& runOf)
{
    std::vector<size_t> runs;
    for (size_t character : visual) {
        if (runs.empty() || runs.back() != runOf[character]) {
            runs.push_back(runOf[character]);
        }
    }
    return runs;
}

char32_t MirroredCharacter(char32_t codePoint)
{
    FriBidiChar mirrored = codePoint;
    return fribidi_get_mirror_char(codePoint, &mirrored) ? mirrored : codePoint;
}

bool IsPlainLeftToRight(std::u32string_view line)
{
    return std::none_of(line.begin(), line.end(), [](char32_t c) {
        if (c < 0x0590) {
            return false;
        }
        FriBidiCharType type = fribidi_get_bidi_type(c);
        return FRIBIDI_IS_RTL(type) || FRIBIDI_IS_EXPLICIT(type) || FRIBIDI_IS_ISOLATE(type) || type == FRIBIDI_TYPE_AN;
    });
}

} // namespace Document
