#include "ToUnicodeCMap.h"

#include <gtest/gtest.h>

#include <sstream>

namespace Document {
namespace {

std::u16string Units(const std::string& hex)
{
    std::u16string units;
    for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
        units += static_cast<char16_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
    }
    return units;
}

std::u32string Decode(const std::u16string& units)
{
    std::u32string text;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        text += c;
    }
    return text;
}

// Reads the bfchar and bfrange blocks back as a PDF reader does, checking
// the limits a reader relies on: at most 100 entries a block, as many as
// announced, and ranges that only step the last byte.
std::map<uint16_t, std::u32string> ReadBack(const std::string& cmap)
{
    std::map<uint16_t, std::u32string> glyphText;
    std::istringstream in(cmap);
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        std::string keyword = space == std::string::npos ? "" : line.substr(space + 1);
        if (keyword != "beginbfchar" && keyword != "beginbfrange") {
            continue;
        }
        size_t announced = std::stoul(line.substr(0, space));
        EXPECT_LE(announced, 100u) << line;
        size_t entries = 0;
        while (std::getline(in, line) && line.rfind("end", 0) != 0) {
            ++entries;
            std::vector<std::string> fields;
            for (size_t at = line.find('<'); at != std::string::npos; at = line.find('<', at + 1)) {
                fields.push_back(line.substr(at + 1, line.find('>', at) - at - 1));
            }
            if (keyword == "beginbfchar") {
                EXPECT_EQ(fields.size(), 2u) << line;
                glyphText[static_cast<uint16_t>(std::stoul(fields[0], nullptr, 16))] = Decode(Units(fields[1]));
                continue;
            }
            EXPECT_EQ(fields.size(), 3u) << line;
            uint32_t first = std::stoul(fields[0], nullptr, 16);
            uint32_t last = std::stoul(fields[1], nullptr, 16);
            std::u16string text = Units(fields[2]);
            EXPECT_EQ(first >> 8, last >> 8) << "range crosses a high byte: " << line;
            EXPECT_LE((text.back() & 0xFF) + (last - first), 0xFFu) << "destination overflows its last byte: " << line;
            EXPECT_LT(text.back() + (last - first), 0x80u) << "Ghostscript reads a range beyond ASCII wrongly: " << line;
            for (uint32_t glyph = first; glyph <= last; ++glyph) {
                glyphText[static_cast<uint16_t>(glyph)] = Decode(text);
                ++text.back();
            }
        }
        EXPECT_EQ(entries, announced) << "block before: " << line;
    }
    return glyphText;
}

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
        EXPECT_EQ(ReadBack(ToUnicodeCMap(c.glyphText)), c.glyphText);
    }
}

TEST(ToUnicodeCMap, LeavesOutEmptyTextAndReplacesWhatIsNoCharacter)
{
    std::map<uint16_t, std::u32string> glyphText{{1, U""}, {2, std::u32string(1, char32_t{0xD800})}, {3, std::u32string(1, char32_t{0x110000})},
                                                 {4, U"ok"}};
    std::map<uint16_t, std::u32string> expected{{2, U"\uFFFD"}, {3, U"\uFFFD"}, {4, U"ok"}};
    EXPECT_EQ(ReadBack(ToUnicodeCMap(glyphText)), expected);
}

} // namespace
} // namespace Document
