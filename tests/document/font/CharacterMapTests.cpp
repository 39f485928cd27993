// Character maps built here byte by byte, so that each case names the
// subtable it reads: format 4 (deltas, the glyph array, the wrap of a delta
// past 0xFFFF), format 12, and the choice between them.
#include "CharacterMap.h"

#include "DocumentError.h"
#include "SfntWriter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace Document {
namespace {

// A format 4 subtable: ' ' by a delta that wraps past 0xFFFF, A-C by a
// delta, alpha-gamma through the glyph array (beta mapped to none, the
// delta added to the others), and the closing 0xFFFF segment.
std::string Format4()
{
    const struct {
        uint16_t start, end, delta, rangeOffset;
    } segments[] = {
        {0x20, 0x20, static_cast<uint16_t>(3 - 0x20), 0},
        {0x41, 0x43, static_cast<uint16_t>(10 - 0x41), 0},
        {0x3B1, 0x3B3, 1, 4}, // in bytes, from its own entry to the glyph array
        {0xFFFF, 0xFFFF, 1, 0},
    };
    const uint16_t glyphArray[] = {20, 0, 22};
    std::string table;
    AppendU16(table, 4);
    AppendU16(table, 0); // the length, which readers cannot trust
    AppendU16(table, 0);
    AppendU16(table, 2 * std::size(segments));
    AppendU16(table, 8);
    AppendU16(table, 2);
    AppendU16(table, 0);
    for (const auto& s : segments) AppendU16(table, s.end);
    AppendU16(table, 0);
    for (const auto& s : segments) AppendU16(table, s.start);
    for (const auto& s : segments) AppendU16(table, s.delta);
    for (const auto& s : segments) AppendU16(table, s.rangeOffset);
    for (uint16_t glyph : glyphArray) AppendU16(table, glyph);
    return table;
}

// A format 12 subtable: A-C and two characters beyond the BMP.
std::string Format12()
{
    const uint32_t groups[][3] = {{0x41, 0x43, 10}, {0x1F600, 0x1F601, 40}};
    std::string table;
    AppendU16(table, 12);
    AppendU16(table, 0);
    AppendU32(table, 16 + 12 * std::size(groups));
    AppendU32(table, 0);
    AppendU32(table, std::size(groups));
    for (const auto& group : groups) {
        for (uint32_t value : group) AppendU32(table, value);
    }
    return table;
}

// A 'cmap' table of these (platform, encoding, subtable) records.
std::string Cmap(const std::vector<std::pair<std::pair<uint16_t, uint16_t>, std::string>>& subtables)
{
    std::string table;
    AppendU16(table, 0);
    AppendU16(table, static_cast<uint32_t>(subtables.size()));
    uint32_t offset = 4 + 8 * static_cast<uint32_t>(subtables.size());
    std::string data;
    for (const auto& [ids, subtable] : subtables) {
        AppendU16(table, ids.first);
        AppendU16(table, ids.second);
        AppendU32(table, offset + static_cast<uint32_t>(data.size()));
        data += subtable;
    }
    return table + data;
}

TEST(CharacterMap, KnownGlyphsOfEachFormat)
{
    const std::string format4 = Cmap({{{3, 1}, Format4()}});
    const std::string both = Cmap({{{3, 1}, Format4()}, {{3, 10}, Format12()}});
    const std::string unicodePlatform = Cmap({{{1, 0}, std::string("\0\0\0\x06\0\0", 6)}, {{0, 3}, Format4()}});
    const struct {
        const char* name;
        const std::string& table;
        std::vector<std::pair<char32_t, uint32_t>> glyphs;
    } rows[] = {
        {"format 4", format4,
         {{U' ', 3}, {U'A', 10}, {U'C', 12}, {U'D', 0}, {U'\u03B1', 21}, {U'\u03B2', 0}, {U'\u03B3', 23},
          {U'\u03B4', 0}, {U'\uFFFF', 0}, {U'\U0001F600', 0}}},
        {"the full repertoire chosen before the BMP's, whatever their order", both,
         {{U' ', 0}, {U'A', 10}, {U'C', 12}, {U'\u03B1', 0}, {U'\U0001F600', 40}, {U'\U0001F601', 41}, {U'\U0001F602', 0}}},
        {"the Unicode platform's map; a Macintosh one is no Unicode map", unicodePlatform, {{U'A', 10}, {U'\u03B3', 23}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CharacterMap map(row.table);
        for (const auto& [c, glyph] : row.glyphs) {
            EXPECT_EQ(map.GlyphFor(c), glyph) << "U+" << std::hex << static_cast<uint32_t>(c);
        }
        // The one-pass table of the BMP says what the search says, with
        // ids from the glyph count up as none.
        const std::vector<uint16_t> bmp = map.BmpGlyphs(12);
        ASSERT_EQ(bmp.size(), 0x10000u);
        for (char32_t c = 0; c < 0x10000; ++c) {
            const uint32_t glyph = map.GlyphFor(c);
            ASSERT_EQ(bmp[c], glyph < 12 ? glyph : 0) << "U+" << std::hex << static_cast<uint32_t>(c);
        }
    }
}

TEST(CharacterMap, RefusesMapsItCannotRead)
{
    std::string outside = Cmap({{{3, 1}, Format4()}});
    outside[8] = '\x7F'; // the subtable's offset past the table
    std::string groupsBeyond = Cmap({{{3, 10}, Format12()}});
    groupsBeyond[12 + 12 + 3] = 3; // a third group the table does not hold
    const struct {
        const char* name;
        std::string table;
    } rows[] = {
        {"no Unicode subtable", Cmap({{{1, 0}, std::string("\0\0\0\x06\0\0", 6)}})},
        {"a subtable outside the table", outside},
        {"groups beyond the table", groupsBeyond},
        {"a table too short for its header", std::string("\0", 1)},
    };
    for (const auto& row : rows) {
        EXPECT_THROW(CharacterMap map(row.table), DocumentError) << row.name;
    }
}

} // namespace
} // namespace Document
