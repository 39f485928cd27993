#pragma once
// The fonts a document's text is drawn with: the main one, and for a
// character it lacks, the one a fallback finder gives. Each font has a place
// in the list, given in the order the fonts are first asked for; the PDF
// names a font by it, so the layouter's measuring and the writer's drawing
// share one list.
#include "TextFont.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace Document {

class FontList {
public:
    FontList(const TextFont& main, FallbackFontFinder fallback);

    // The main font's place is 0.
    const TextFont& At(uint32_t font) const { return *fonts_[font]; }
    size_t Count() const { return fonts_.size(); }
    // The font's place, given to it when it has none yet.
    uint32_t IndexOf(const TextFont* font);
    // The fallback's font for the character; nullptr without a fallback.
    const TextFont* Fallback(char32_t character) const;
    bool Has(uint32_t font, char32_t character) const { return fonts_[font]->Glyph(character) != 0; }

    // The font that shapes the character: the main one when it has the
    // character, else the fallback's; none (nullopt) when no font has it.
    std::optional<uint32_t> ShapingFont(char32_t character);

    // The width of one grid cell, in thousandths of the font size: the main
    // font's blank, 600 where it has none.
    int CellUnits() const { return cellUnits_; }

private:
    FallbackFontFinder fallback_;
    std::vector<const TextFont*> fonts_;
    int cellUnits_ = 600;
};

} // namespace Document
