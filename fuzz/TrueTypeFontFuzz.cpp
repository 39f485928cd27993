// The TrueType font reader and the subset, fed arbitrary bytes (seeded with
// real fonts). A refusal must be a DocumentError; a font that is taken must
// give a subset that reads back as a font and shows each character with the
// same glyph and advance. Anything else (a crash, a sanitizer report, a
// trap below) is a finding.
// fuzz-seeds: *.ttf
// Whole fonts (a few hundred KB) reach the subset with real glyph data.
// fuzz-max-len: 1048576
#include "DocumentError.h"
#include "FontSubset.h"
#include "TrueTypeFont.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The subset pads each glyph to four bytes; the glyph is the same if the
// rest is that padding.
bool SameOutline(std::string_view subset, std::string_view original)
{
    return subset.substr(0, original.size()) == original && subset.size() - original.size() < 4 &&
           subset.find_first_not_of('\0', original.size()) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Document;
    const std::u32string_view characters = U"Aa0 \u03A9\u0416\u2500e\u0301\u00E9\uFFFD\U0001F600";
    std::map<uint16_t, std::u32string> used;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TrueTypeFont font(std::move(bytes));
        for (char32_t c : characters) {
            used[font.GlyphFor(c)] += c;
        }
        used[static_cast<uint16_t>(font.GlyphCount() - 1)] += U'x';
        FontSubsetFacts facts = BuildFontSubset(font, used);
        try {
            TrueTypeFont subset(facts.file);
            for (char32_t c : characters) {
                uint16_t glyph = font.GlyphFor(c);
                if (subset.GlyphFor(c) != glyph || subset.AdvanceWidth(glyph) != font.AdvanceWidth(glyph) ||
                    !SameOutline(subset.GlyphOutline(glyph), font.GlyphOutline(glyph))) {
                    __builtin_trap(); // the subset shows a character differently
                }
            }
        } catch (const DocumentError&) {
            __builtin_trap(); // the subset of a font that was taken is no font
        }
        if (font.GlyphCount() < 0xFFFF) {
            const uint16_t moved = font.GlyphFor(U'\u0301');
            const auto variant = static_cast<uint16_t>(font.GlyphCount());
            // And, if a glyph id is left, two glyphs drawn as one (a Thai AM's
            // NIKHAHIT and AA), each moved by its own offset.
            GlyphVariant pair{font.GlyphFor(U'e'), -600, 30};
            pair.second = font.GlyphFor(U'a');
            const bool twoParts = font.GlyphCount() + 1 < 0xFFFF && pair.second != 0;
            GlyphVariants variants{{moved, 40, -300}};
            std::map<uint16_t, std::u32string> usedVariants{{variant, U"\u0301"}};
            if (twoParts) {
                variants.push_back(pair);
                usedVariants[static_cast<uint16_t>(variant + 1)] = U"\u0E33";
            }
            FontSubsetFacts withVariant = BuildFontSubset(font, usedVariants, {{variant, 0}}, variants);
            try {
                TrueTypeFont subset(withVariant.file);
                if (subset.GlyphCount() != variant + variants.size() || subset.ComponentsOf(variant) != std::vector<uint16_t>{moved}) {
                    __builtin_trap(); // the variant is not its original moved, after the font's glyphs
                }
                if (twoParts && subset.ComponentsOf(static_cast<uint16_t>(variant + 1)) != std::vector<uint16_t>{pair.glyph, pair.second}) {
                    __builtin_trap(); // the two-part variant does not draw both its parts
                }
            } catch (const DocumentError&) {
                __builtin_trap(); // a subset with a variant is no font
            }
        }
    } catch (const DocumentError&) {
    }
    return 0;
}
