#include "FontList.h"

namespace Document {

FontList::FontList(const TextFont& main, FallbackFontFinder fallback) : fallback_(std::move(fallback)), fonts_{&main}
{
    cellUnits_ = main.Advance(main.Glyph(U' '));
    if (cellUnits_ <= 0) {
        cellUnits_ = 600;
    }
}

uint32_t FontList::IndexOf(const TextFont* font)
{
    // Every font the fallback gives has a place of its own, however many.
    for (size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i] == font) {
            return static_cast<uint32_t>(i);
        }
    }
    fonts_.push_back(font);
    return static_cast<uint32_t>(fonts_.size() - 1);
}

const TextFont* FontList::Fallback(char32_t character) const
{
    return fallback_ ? fallback_(character) : nullptr;
}

std::optional<uint32_t> FontList::ShapingFont(char32_t character)
{
    if (Has(0, character)) {
        return 0;
    }
    if (const TextFont* other = Fallback(character); other && other->Glyph(character) != 0) {
        return IndexOf(other);
    }
    return std::nullopt;
}

} // namespace Document
