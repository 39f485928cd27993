#include "FontSubset.h"

#include "FontFiles.h"
#include "SyntheticFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <set>

namespace Document {
namespace {

// Glyph id -> the character it shows, for each character of the text.
std::map<uint16_t, std::u32string> UsedGlyphs(const TrueTypeFont& font, const std::u32string& text)
{
    std::map<uint16_t, std::u32string> used;
    for (char32_t c : text) {
        uint16_t glyph = font.GlyphFor(c);
        EXPECT_NE(glyph, 0) << "the font lacks U+" << std::hex << static_cast<uint32_t>(c);
        used[glyph] = std::u32string(1, c);
    }
    return used;
}

// What a subset must keep: glyph 0, the used glyphs and their parts.
std::set<uint16_t> Needed(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& used)
{
    std::set<uint16_t> needed;
    std::function<void(uint16_t)> add = [&](uint16_t glyph) {
        if (needed.insert(glyph).second) {
            for (uint16_t part : font.ComponentsOf(glyph)) {
                add(part);
            }
        }
    };
    add(0);
    for (const auto& entry : used) {
        add(entry.first);
    }
    return needed;
}

uint32_t WholeFileSum(const std::string& font)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < font.size(); i += 4) {
        for (size_t j = 0; j < 4; ++j) {
            sum += (i + j < font.size() ? static_cast<unsigned char>(font[i + j]) : 0u) << (24 - 8 * j);
        }
    }
    return sum;
}

struct Case {
    const char* name;
    const std::string& path;
    std::u32string text;
};

const Case Cases[] = {
    {"Latin", MonoFontPath, U"Hello, world! 0123456789 {}[]<>"},
    {"Greek", MonoFontPath, U"Καλημέρα κόσμε, ΑΒΓΔ"},
    {"Cyrillic", MonoFontPath, U"Съешь же ещё этих мягких французских булок"},
    {"box drawing", MonoFontPath, U"┌─┬─┐│ │ │└─┴─┘"},
    {"Latin extended, drawn from parts", MonoFontPath, U"āăąćĉ ŐőŰű ŵŷ"},
    {"combining marks", MonoFontPath, U"e\u0301 a\u0308 \u0323"},
    {"proportional, nested parts", SansFontPath, U"Wil \u01C4 e\u0301"},
};

TEST(FontSubset, SubsetShowsEachUsedCharacterAsTheFontDoes)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.name);
        TrueTypeFont font(ReadFontFile(c.path));
        std::map<uint16_t, std::u32string> used = UsedGlyphs(font, c.text);
        FontSubsetFacts data = BuildFontSubset(font, used);
        TrueTypeFont subset(data.file);

        for (char32_t ch : c.text) {
            uint16_t glyph = font.GlyphFor(ch);
            EXPECT_EQ(subset.GlyphFor(ch), glyph) << "U+" << std::hex << static_cast<uint32_t>(ch);
            EXPECT_EQ(subset.AdvanceWidth(glyph), font.AdvanceWidth(glyph));
        }
        std::set<uint16_t> needed = Needed(font, used);
        EXPECT_EQ(subset.GlyphCount(), *needed.rbegin() + 1) << "glyphs past the last one kept are dropped";
        for (uint16_t glyph = 0; glyph < subset.GlyphCount(); ++glyph) {
            if (needed.count(glyph)) {
                EXPECT_EQ(subset.GlyphOutline(glyph), font.GlyphOutline(glyph)) << "glyph " << glyph;
                EXPECT_EQ(subset.LeftSideBearing(glyph), font.LeftSideBearing(glyph)) << "glyph " << glyph;
            } else {
                EXPECT_TRUE(subset.GlyphOutline(glyph).empty()) << "glyph " << glyph << " is not used";
            }
        }
        EXPECT_EQ(WholeFileSum(data.file), 0xB1B0AFBAu) << "checksum adjustment";
        EXPECT_LT(data.file.size() * 8, font.Bytes().size()) << "a short text carries a small part of the font";
        EXPECT_TRUE(std::regex_match(data.name, std::regex("[A-Z]{6}\\+" + font.PostScriptName())));
    }
}

// A glyph drawn on a grid advances by its cells in the font file too, so
// that a reader that measures with the file finds no gap inside a word.
TEST(FontSubset, AdvancesAreTheWidthsTheTextIsDrawnWith)
{
    TrueTypeFont font(ReadFontFile(MonoFontPath));
    std::map<uint16_t, std::u32string> used = UsedGlyphs(font, U"Ae\u0301");
    uint16_t a = font.GlyphFor(U'A'), e = font.GlyphFor(U'e'), mark = font.GlyphFor(U'\u0301');
    TrueTypeFont subset(BuildFontSubset(font, used, {{a, 1204}, {mark, 0}}).file);
    EXPECT_EQ(subset.AdvanceWidth(a), 2466) << "two cells of 602 thousandths, in units of 2048 to the em";
    EXPECT_EQ(subset.AdvanceWidth(mark), 0);
    EXPECT_EQ(subset.AdvanceWidth(e), font.AdvanceWidth(e)) << "a glyph without a width keeps its own";
}

int16_t S16At(std::string_view data, size_t at)
{
    return static_cast<int16_t>(static_cast<unsigned char>(data.at(at)) << 8 | static_cast<unsigned char>(data.at(at + 1)));
}

// A variant is a glyph of its own after the font's glyphs: a composite of
// one part, its original moved by the offset, which the subset keeps even
// where the text does not show it; the glyph ids before it stay the font's.
// An empty variant has no outline and takes no room.
TEST(FontSubset, VariantsDrawTheirOriginalMovedAfterTheFontsGlyphs)
{
    TrueTypeFont font(ReadFontFile(MonoFontPath));
    uint16_t a = font.GlyphFor(U'a'), mark = font.GlyphFor(U'\u0301');
    const uint16_t variant = font.GlyphCount(), empty = variant + 1;
    std::map<uint16_t, std::u32string> used{{a, U"a"}, {variant, U"\u0301"}, {empty, U"\u094D"}};
    GlyphVariant carrier;
    carrier.empty = true;
    // Thousandths of the em, in units of 2048 to the em: 61.44 and -204.8.
    FontSubsetFacts data =
        BuildFontSubset(font, used, {{a, 602}, {variant, 0}, {empty, 0}}, {{mark, 30, -100}, carrier});
    TrueTypeFont subset(data.file);

    ASSERT_EQ(subset.GlyphCount(), font.GlyphCount() + 2);
    EXPECT_TRUE(subset.GlyphOutline(empty).empty());
    EXPECT_EQ(subset.AdvanceWidth(empty), 0);
    EXPECT_EQ(subset.GlyphOutline(mark), font.GlyphOutline(mark)) << "the original is kept";
    ASSERT_EQ(subset.ComponentsOf(variant), std::vector<uint16_t>{mark});
    std::string_view composite = subset.GlyphOutline(variant);
    std::string_view original = font.GlyphOutline(mark);
    EXPECT_EQ(S16At(composite, 0), -1);
    EXPECT_EQ(S16At(composite, 10) & 0x0002, 0x0002) << "the arguments are an offset";
    EXPECT_EQ(S16At(composite, 14), 61);
    EXPECT_EQ(S16At(composite, 16), -205);
    for (size_t at : {2, 6}) {
        EXPECT_EQ(S16At(composite, at), S16At(original, at) + 61) << "the bounding box moves with it";
        EXPECT_EQ(S16At(composite, at + 2), S16At(original, at + 2) - 205) << "the bounding box moves with it";
    }
    EXPECT_EQ(subset.LeftSideBearing(variant), font.LeftSideBearing(mark) + 61);
    EXPECT_EQ(subset.AdvanceWidth(variant), 0);
    EXPECT_EQ(WholeFileSum(data.file), 0xB1B0AFBAu) << "checksum adjustment";
}

// A variant of two parts (the Lao AM's NIKHAHIT and AA, drawn as one
// glyph) is a composite of both, each moved by its own offset: the bounding
// box and the side bearing are the parts' moved, and it advances as the
// document draws it.
TEST(FontSubset, TwoPartVariantDrawsBothPartsEachMoved)
{
    TrueTypeFont font(ReadFontFile(MonoFontPath));
    uint16_t nikhahit = font.GlyphFor(U'\u0ECD'), aa = font.GlyphFor(U'\u0EB2');
    ASSERT_NE(nikhahit, 0);
    ASSERT_NE(aa, 0);
    const uint16_t am = font.GlyphCount();
    GlyphVariant pair{nikhahit, -602, 31};
    pair.second = aa;
    pair.secondYOffset = -10;
    // Thousandths of the em, in units of 2048 to the em: -1232.9, 63.5, -20.5.
    FontSubsetFacts data = BuildFontSubset(font, {{am, U"\u0EB3"}}, {{am, 602}}, {pair});
    TrueTypeFont subset(data.file);

    ASSERT_EQ(subset.GlyphCount(), font.GlyphCount() + 1);
    ASSERT_EQ(subset.ComponentsOf(am), (std::vector<uint16_t>{nikhahit, aa}));
    EXPECT_EQ(subset.GlyphOutline(nikhahit), font.GlyphOutline(nikhahit)) << "the parts are kept";
    EXPECT_EQ(subset.GlyphOutline(aa), font.GlyphOutline(aa)) << "the parts are kept";
    std::string_view composite = subset.GlyphOutline(am);
    ASSERT_GE(composite.size(), 26u) << "two parts of four words each after the header";
    EXPECT_EQ(S16At(composite, 0), -1);
    EXPECT_EQ(S16At(composite, 10) & 0x0022, 0x0022) << "an offset, and more parts follow";
    EXPECT_EQ(S16At(composite, 14), -1233);
    EXPECT_EQ(S16At(composite, 16), 63);
    EXPECT_EQ(S16At(composite, 18) & 0x0022, 0x0002) << "an offset, the last part";
    EXPECT_EQ(S16At(composite, 22), 0);
    EXPECT_EQ(S16At(composite, 24), -20);
    std::string_view first = font.GlyphOutline(nikhahit), second = font.GlyphOutline(aa);
    EXPECT_EQ(S16At(composite, 2), std::min(S16At(first, 2) - 1233, S16At(second, 2) + 0)) << "xMin";
    EXPECT_EQ(S16At(composite, 4), std::min(S16At(first, 4) + 63, S16At(second, 4) - 20)) << "yMin";
    EXPECT_EQ(S16At(composite, 6), std::max(S16At(first, 6) - 1233, S16At(second, 6) + 0)) << "xMax";
    EXPECT_EQ(S16At(composite, 8), std::max(S16At(first, 8) + 63, S16At(second, 8) - 20)) << "yMax";
    EXPECT_EQ(subset.LeftSideBearing(am), S16At(composite, 2));
    EXPECT_EQ(subset.AdvanceWidth(am), 1233);
}

// Fonts made for one fault each (the fuzzer's findings among them): the
// subset reads back and shows each character with the same glyph, outline
// (up to the padding to four bytes) and advance, keeping every part of a
// composite however deep, and ends however its composites point.
TEST(FontSubset, KeepsGlyphsWhateverTheirShape)
{
    struct Case {
        const char* name;
        SyntheticFont font;
        std::vector<uint16_t> kept; // glyphs besides those shown that must stay
    };
    const Case cases[] = {
        {"glyphs of odd length (found by the fuzzer: the padding)", {{SimpleGlyph(1), SimpleGlyph(3), SimpleGlyph(5)}, {{U'A', 1}, {U'B', 2}}}, {}},
        {"composite of composites", {{SimpleGlyph(0), SimpleGlyph(2), CompositeGlyph({1}), CompositeGlyph({2, 1}), CompositeGlyph({3})},
                                     {{U'Z', 4}}}, {1, 2, 3}},
        {"composites naming each other", {{SimpleGlyph(0), CompositeGlyph({2}), CompositeGlyph({1})}, {{U'A', 1}}}, {2}},
        {"composite naming itself", {{SimpleGlyph(0), CompositeGlyph({1, 1})}, {{U'A', 1}}}, {}},
        {"character beyond the BMP", {{SimpleGlyph(0), SimpleGlyph(4)}, {{U'\U0001F600', 1}}}, {}},
        {"only the missing glyph", {{SimpleGlyph(2)}, {}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrueTypeFont font(c.font.Build());
        std::map<uint16_t, std::u32string> used;
        for (const auto& [ch, glyph] : c.font.characters) {
            used[glyph] = std::u32string(1, ch);
        }
        TrueTypeFont subset(BuildFontSubset(font, used).file);
        std::vector<uint16_t> kept = c.kept;
        kept.push_back(0);
        for (const auto& [ch, glyph] : c.font.characters) {
            EXPECT_EQ(subset.GlyphFor(ch), glyph);
            EXPECT_EQ(subset.AdvanceWidth(glyph), font.AdvanceWidth(glyph));
            kept.push_back(glyph);
        }
        for (uint16_t glyph : kept) {
            std::string_view original = font.GlyphOutline(glyph);
            std::string_view copy = subset.GlyphOutline(glyph);
            EXPECT_EQ(copy.substr(0, original.size()), original) << "glyph " << glyph;
            EXPECT_EQ(copy.size(), (original.size() + 3) / 4 * 4) << "glyph " << glyph;
        }
    }
}

} // namespace
} // namespace Document
