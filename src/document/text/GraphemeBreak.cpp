#include "GraphemeBreak.h"

#include "UnicodeBreakData.h"

namespace Document {

std::vector<bool> GraphemeBoundaries(const std::u32string& text)
{
    using G = GraphemeClass;
    std::vector<bool> boundary(text.size() + 1, true);
    if (text.empty()) {
        return boundary;
    }
    BreakProperties previous = BreakPropertiesOf(text[0]);
    // A pictograph followed so far only by Extend characters, for the
    // joined emoji sequences; and the count of regional indicators in a row,
    // which pair into flags.
    bool pictographRun = previous.pictographic();
    bool joinerAfterPictograph = false;
    size_t indicators = previous.grapheme() == G::RegionalIndicator ? 1 : 0;
    for (size_t i = 1; i < text.size(); ++i) {
        BreakProperties current = BreakPropertiesOf(text[i]);
        G before = previous.grapheme();
        G after = current.grapheme();
        bool joins;
        if (before == G::CR && after == G::LF) {
            joins = true;
        } else if (before == G::Control || before == G::CR || before == G::LF || after == G::Control ||
                   after == G::CR || after == G::LF) {
            joins = false;
        } else if (before == G::L && (after == G::L || after == G::V || after == G::LV || after == G::LVT)) {
            joins = true;
        } else if ((before == G::LV || before == G::V) && (after == G::V || after == G::T)) {
            joins = true;
        } else if ((before == G::LVT || before == G::T) && after == G::T) {
            joins = true;
        } else if (after == G::Extend || after == G::ZWJ || after == G::SpacingMark || before == G::Prepend) {
            joins = true;
        } else if (before == G::ZWJ && current.pictographic() && joinerAfterPictograph) {
            joins = true;
        } else if (before == G::RegionalIndicator && after == G::RegionalIndicator) {
            joins = indicators % 2 == 1;
        } else {
            joins = false;
        }
        boundary[i] = !joins;

        joinerAfterPictograph = after == G::ZWJ && pictographRun;
        pictographRun = current.pictographic() || (after == G::Extend && pictographRun);
        indicators = after == G::RegionalIndicator ? indicators + 1 : 0;
        previous = current;
    }
    return boundary;
}

} // namespace Document
