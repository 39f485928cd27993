#include "ToUnicodeCMap.h"

#include "PdfReading.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace Document {
namespace {

std::map<uint16_t, std::u32string> CharacterRun(uint16_t firstGlyph, char32_t firstChar, size_t count, uint16_t glyphStep = 1)
{
    std::map<uint16_t, std::u32string> glyphText;
    for (size_t i = 0; i < count; ++i) {
        glyphText[static_cast<uint16_t>(firstGlyph + i * glyphStep)] = std::u32string(1, static_cast<char32_t>(firstChar + i));
    }
    return glyphText;
}

TEST(ToUnicodeCMap, EveryGlyphReadsBackAsItsText)
{
    struct Case {
        const char* name;
        std::map<uint16_t, std::u32string> glyphText;
    };
    const Case cases[] = {
        {"nothing", {}},
        {"one letter", {{36, U"A"}}},
        {"the alphabet as a run", CharacterRun(36, U'A', 26)},
        {"combining marks with and without their base", {{5, U"e\u0301"}, {6, U"\u0301"}, {7, U"a\u0308\u0323"}}},
        {"beyond the BMP as surrogate pairs", {{7, U"\U0001F600"}, {8, U"\U00010000"}, {9, U"\U0010FFFF"}, {10, U"x\U0001D400"}}},
        {"a run crossing a high byte of its glyphs", CharacterRun(0xFC, U'A', 10)},
        {"a run beyond ASCII, glyph by glyph", CharacterRun(0xFC, 0x4FD, 10)},
        {"more than a block of single entries", CharacterRun(10, U'\u0410', 250, 2)},
        {"more than a block of ranges", [] {
             std::map<uint16_t, std::u32string> pairs;
             for (uint16_t i = 0; i < 150; ++i) {
                 pairs.merge(CharacterRun(static_cast<uint16_t>(4 * i), U'!' + 2 * (i % 40), 2));
             }
             return pairs;
         }()},
        {"a mixture of both kinds of block", [] {
             auto mixed = CharacterRun(0x300, U'\u03B1', 25);
             mixed.merge(CharacterRun(3, U' ', 1));
             mixed.emplace(0xFFFF, U"\uFFFD");
             return mixed;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadToUnicodeMap(ToUnicodeCMap(c.glyphText)), c.glyphText);
    }
}

TEST(ToUnicodeCMap, LeavesOutEmptyTextAndReplacesWhatIsNoCharacter)
{
    std::map<uint16_t, std::u32string> glyphText{{1, U""}, {2, std::u32string(1, char32_t{0xD800})}, {3, std::u32string(1, char32_t{0x110000})},
                                                 {4, U"ok"}};
    std::map<uint16_t, std::u32string> expected{{2, U"\uFFFD"}, {3, U"\uFFFD"}, {4, U"ok"}};
    EXPECT_EQ(ReadToUnicodeMap(ToUnicodeCMap(glyphText)), expected);
}

} // namespace
} // namespace Document
