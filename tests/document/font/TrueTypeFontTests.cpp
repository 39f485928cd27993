#include "TrueTypeFont.h"

#include "CharacterMap.h"
#include "DocumentError.h"
#include "FontFiles.h"
#include "FontSubset.h"

#include <gtest/gtest.h>

#include <functional>

namespace Document {
namespace {

const std::string& MonoFont()
{
    static const std::string bytes = ReadFontFile(MonoFontPath);
    return bytes;
}

uint32_t Get(const std::string& font, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = value << 8 | static_cast<unsigned char>(font.at(at + i));
    }
    return value;
}

void Set(std::string& font, size_t at, int size, uint32_t value)
{
    for (int i = size - 1; i >= 0; --i, value >>= 8) {
        font.at(at + i) = static_cast<char>(value & 0xFF);
    }
}

// The table directory's record of a table (tag, checksum, offset, length).
size_t Record(const std::string& font, const char (&tag)[5])
{
    for (size_t record = 12; record < 12 + 16 * Get(font, 4, 2); record += 16) {
        if (Get(font, record, 4) == SfntTag(tag)) {
            return record;
        }
    }
    throw std::runtime_error(std::string("no table ") + tag);
}

size_t TableAt(const std::string& font, const char (&tag)[5])
{
    return Get(font, Record(font, tag) + 8, 4);
}

// Where a glyph's outline starts in the file.
size_t OutlineAt(const std::string& font, char32_t c)
{
    TrueTypeFont parsed(font);
    return static_cast<size_t>(parsed.GlyphOutline(parsed.GlyphFor(c)).data() - parsed.Bytes().data());
}

TEST(TrueTypeFont, ReadsNamesMetricsAndCharacters)
{
    struct Case {
        std::string path;
        const char* postScriptName;
        bool fixedPitch;
        double italicAngle;
        char32_t character;
        uint16_t advance;
    };
    const Case cases[] = {
        {MonoFontPath, "DejaVuSansMono", true, 0, U'a', 1233},
        {SansFontPath, "DejaVuSans", false, 0, U'a', 1255},
        {SansFontPath, "DejaVuSans", false, 0, U'\u0301', 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        TrueTypeFont font(ReadFontFile(cases[i].path));
        EXPECT_EQ(font.PostScriptName(), cases[i].postScriptName);
        EXPECT_EQ(font.Metrics().fixedPitch, cases[i].fixedPitch);
        EXPECT_EQ(font.Metrics().italicAngle, cases[i].italicAngle);
        EXPECT_EQ(font.UnitsPerEm(), 2048);
        EXPECT_TRUE(font.EmbeddingAllowed());
        EXPECT_NE(font.GlyphFor(cases[i].character), 0);
        EXPECT_EQ(font.AdvanceWidth(font.GlyphFor(cases[i].character)), cases[i].advance);
        EXPECT_EQ(font.GlyphFor(U'\u4E2D'), 0) << "a character the font lacks";
        EXPECT_EQ(font.GlyphFor(U'\U00020000'), 0);
        EXPECT_EQ(font.AdvanceWidth(font.GlyphCount()), 0) << "a glyph id past the font";
        EXPECT_LT(font.Metrics().descent, 0);
        EXPECT_GT(font.Metrics().capHeight, 0);
    }
}

// The font answers for the BMP from a table made in one pass; it must agree
// with the search of the character map for every code point, for each
// format: once with the full map (format 12), once with it hidden so that
// the BMP map (format 4) is read, which must give the same glyphs.
TEST(TrueTypeFont, BmpTableAgreesWithTheCharacterMap)
{
    for (bool hideFullMap : {false, true}) {
        SCOPED_TRACE(hideFullMap ? "format 4" : "format 12");
        std::string bytes = MonoFont();
        size_t cmap = TableAt(bytes, "cmap");
        for (size_t record = cmap + 4; hideFullMap && record < cmap + 4 + 8 * Get(bytes, cmap + 2, 2); record += 8) {
            if (Get(bytes, cmap + Get(bytes, record + 4, 4), 2) == 12) {
                Set(bytes, record, 2, 7); // a platform nobody reads
            }
        }
        TrueTypeFont original(MonoFont());
        TrueTypeFont font(bytes);
        CharacterMap map(font.Table(SfntTag("cmap")));
        size_t mapped = 0;
        for (char32_t c = 0; c < 0x10000; ++c) {
            uint32_t glyph = map.GlyphFor(c);
            ASSERT_EQ(font.GlyphFor(c), glyph < font.GlyphCount() ? glyph : 0) << "U+" << std::hex << static_cast<uint32_t>(c);
            ASSERT_EQ(font.GlyphFor(c), original.GlyphFor(c)) << "U+" << std::hex << static_cast<uint32_t>(c);
            mapped += glyph != 0;
        }
        EXPECT_GT(mapped, 3000u);
    }
}

// Each row breaks one part of the real font as a damaged or crafted file
// would; the font must be refused with a DocumentError, never read past its
// data. Rows marked "subset" are damage that only the glyphs a document uses show.
TEST(TrueTypeFont, RefusesDamagedFonts)
{
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        bool showsInSubset = false;
    };
    const Case cases[] = {
        {"empty file", [](std::string& f) { f.clear(); }},
        {"cut inside the table directory", [](std::string& f) { f.resize(20); }},
        {"cut in half", [](std::string& f) { f.resize(f.size() / 2); }},
        {"not a font", [](std::string& f) { f.replace(0, 8, "%PDF-1.4"); }},
        {"a font collection", [](std::string& f) { f.replace(0, 4, "ttcf"); }},
        {"PostScript outlines", [](std::string& f) { f.replace(0, 4, "OTTO"); }},
        {"table beyond the end", [](std::string& f) { Set(f, Record(f, "glyf") + 8, 4, 0xFFFFFF00); }},
        {"table length that wraps", [](std::string& f) { Set(f, Record(f, "hmtx") + 12, 4, 0xFFFFFFFF); }},
        {"no 'head' table", [](std::string& f) { f.replace(Record(f, "head"), 4, "heaX"); }},
        {"no 'cmap' table", [](std::string& f) { f.replace(Record(f, "cmap"), 4, "cmaX"); }},
        {"units per em of 0", [](std::string& f) { Set(f, TableAt(f, "head") + 18, 2, 0); }},
        {"glyph location format 7", [](std::string& f) { Set(f, TableAt(f, "head") + 50, 2, 7); }},
        {"no glyphs", [](std::string& f) { Set(f, TableAt(f, "maxp") + 4, 2, 0); }},
        {"no horizontal metrics", [](std::string& f) { Set(f, TableAt(f, "hhea") + 34, 2, 0); }},
        {"more metrics than 'hmtx' holds", [](std::string& f) { Set(f, TableAt(f, "hhea") + 34, 2, 0xFFFF); }},
        {"more glyphs than 'loca' holds", [](std::string& f) { Set(f, TableAt(f, "maxp") + 4, 2, 0xFFFF); }},
        {"last glyph beyond 'glyf'", [](std::string& f) {
             size_t count = Get(f, TableAt(f, "maxp") + 4, 2);
             Set(f, TableAt(f, "loca") + 4 * count, 4, 0x7FFFFFFF);
         }},
        {"glyph locations going backwards", [](std::string& f) {
             Set(f, TableAt(f, "loca") + 4 * 40, 4, Get(f, TableAt(f, "loca") + 4 * 42, 4) + 4);
         }},
        {"character map subtable outside 'cmap'", [](std::string& f) { Set(f, TableAt(f, "cmap") + 8, 4, 0x00FFFFFF); }},
        {"character map groups beyond 'cmap'", [](std::string& f) {
             size_t cmap = TableAt(f, "cmap");
             for (size_t record = cmap + 4; record < cmap + 4 + 8 * Get(f, cmap + 2, 2); record += 8) {
                 size_t subtable = cmap + Get(f, record + 4, 4);
                 if (Get(f, subtable, 2) == 12) {
                     Set(f, subtable + 12, 4, 0x7FFFFFFF);
                 }
             }
         }},
        {"character map segments beyond 'cmap'", [](std::string& f) {
             size_t cmap = TableAt(f, "cmap");
             for (size_t record = cmap + 4; record < cmap + 4 + 8 * Get(f, cmap + 2, 2); record += 8) {
                 size_t subtable = cmap + Get(f, record + 4, 4);
                 Set(f, subtable + (Get(f, subtable, 2) == 4 ? 6 : 12), Get(f, subtable, 2) == 4 ? 2 : 4, 0xFFFE);
             }
         }},
        {"no Unicode character map", [](std::string& f) {
             size_t cmap = TableAt(f, "cmap");
             for (size_t record = cmap + 4; record < cmap + 4 + 8 * Get(f, cmap + 2, 2); record += 8) {
                 Set(f, record, 2, 7);
             }
         }},
        {"composite made of a glyph the font lacks", [](std::string& f) { Set(f, OutlineAt(f, U'\u0101') + 12, 2, 0xFFFF); },
         true},
        {"composite whose last part says more follow", [](std::string& f) {
             size_t at = OutlineAt(f, U'\u0101') + 10;
             Set(f, at, 2, Get(f, at, 2) | 0x20);
             at += 4 + ((Get(f, at, 2) & 1) ? 4 : 2);
             Set(f, at, 2, Get(f, at, 2) | 0x20);
         },
         true},
        {"simple glyph shorter than its header", [](std::string& f) {
             size_t count = Get(f, TableAt(f, "maxp") + 4, 2);
             size_t glyph = TrueTypeFont(f).GlyphFor(U'a');
             size_t loca = TableAt(f, "loca");
             for (size_t i = glyph + 1; i <= count; ++i) {
                 Set(f, loca + 4 * i, 4, Get(f, loca + 4 * glyph, 4) + 6);
             }
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string font = MonoFont();
        c.damage(font);
        if (!c.showsInSubset) {
            EXPECT_THROW(TrueTypeFont{font}, DocumentError);
            continue;
        }
        TrueTypeFont parsed(font);
        std::map<uint16_t, std::u32string> used;
        for (char32_t ch : U"a\u0101") {
            used[parsed.GlyphFor(ch)] = std::u32string(1, ch);
        }
        EXPECT_THROW(BuildFontSubset(parsed, used), DocumentError);
    }
}

TEST(TrueTypeFont, RefusalSaysWhatIsWrong)
{
    std::string font = MonoFont();
    Set(font, Record(font, "glyf") + 8, 4, 0xFFFFFF00);
    try {
        TrueTypeFont parsed(font);
        FAIL() << "a table outside the file was taken";
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.Description(), L"The font is damaged: its 'glyf' table lies outside the file.");
    }
}

TEST(TrueTypeFont, RefusesAFileLargerThanAnyFont)
{
    EXPECT_THROW(TrueTypeFont(MonoFont() + std::string(TrueTypeFont::MaxFileSize, '\0')), DocumentError);
}

// A composite that names itself, or two that name each other: the subset
// must end, keeping each glyph once.
TEST(TrueTypeFont, CompositeThatNamesItselfEnds)
{
    std::string font = MonoFont();
    TrueTypeFont original(font);
    uint16_t composite = original.GlyphFor(U'\u0101');
    Set(font, OutlineAt(font, U'\u0101') + 12, 2, composite);
    TrueTypeFont parsed(font);
    FontSubsetFacts data = BuildFontSubset(parsed, {{composite, U"\u0101"}});
    TrueTypeFont subset(data.file);
    EXPECT_EQ(subset.GlyphOutline(composite), parsed.GlyphOutline(composite));
}

} // namespace
} // namespace Document
