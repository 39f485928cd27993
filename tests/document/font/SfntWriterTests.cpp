// The font file read back through its own table directory, as a font
// reader checks it: sorted records, aligned tables, checksums, and the
// whole-file checksum adjustment in 'head'.
#include "SfntWriter.h"

#include "TrueTypeFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Document {
namespace {

uint32_t Get(const std::string& bytes, size_t at, int size)
{
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

TEST(SfntWriter, ChecksumsOfKnownWords)
{
    const std::pair<std::string, uint32_t> rows[] = {
        {"", 0},
        {std::string("\x01", 1), 0x01000000},                  // the last word padded with zeros
        {std::string("\0\0\0\x01\0\0\0\x02", 8), 3},
        {std::string("\xFF\xFF\xFF\xFF\0\0\0\x02", 8), 1},      // modulo 2^32
        {std::string("\x12\x34\x56\x78\x9A", 5), 0x12345678 + 0x9A000000},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(SfntChecksum(rows[i].first), rows[i].second) << "row " << i;
    }
}

TEST(SfntWriter, TablesReadBackThroughTheDirectory)
{
    const std::string head(54, '\x11');
    std::string headAsSummed = head;
    headAsSummed.replace(8, 4, 4, '\0'); // the adjustment counts as zero
    const std::vector<SfntTable> tables = {
        {SfntTag("maxp"), std::string("\0\0\x50\0\0\x07", 6)},
        {SfntTag("head"), head},
        {SfntTag("cmap"), "c"},
        {SfntTag("glyf"), std::string(13, 'g')},
        {SfntTag("OS/2"), "os/2 data"},
    };
    const std::string font = WriteSfnt(tables);

    EXPECT_EQ(Get(font, 0, 4), 0x00010000u);
    ASSERT_EQ(Get(font, 4, 2), tables.size());
    // The binary-search fields of five tables: the largest power of two
    // not above five, times 16; its log; and the rest, times 16.
    EXPECT_EQ(Get(font, 6, 2), 64u);
    EXPECT_EQ(Get(font, 8, 2), 2u);
    EXPECT_EQ(Get(font, 10, 2), 16u);
    uint32_t previousTag = 0;
    for (size_t record = 12; record < 12 + 16 * tables.size(); record += 16) {
        const uint32_t tag = Get(font, record, 4);
        const uint32_t offset = Get(font, record + 8, 4);
        const uint32_t length = Get(font, record + 12, 4);
        SCOPED_TRACE(font.substr(record, 4));
        EXPECT_GT(tag, previousTag) << "records sorted by tag";
        previousTag = tag;
        EXPECT_EQ(offset % 4, 0u);
        auto given = std::find_if(tables.begin(), tables.end(), [&](const SfntTable& t) { return t.tag == tag; });
        ASSERT_NE(given, tables.end());
        std::string data = font.substr(offset, length);
        if (tag == SfntTag("head")) {
            data.replace(8, 4, 4, '\0');
            EXPECT_EQ(data, headAsSummed);
            EXPECT_EQ(Get(font, record + 4, 4), SfntChecksum(headAsSummed));
        } else {
            EXPECT_EQ(data, given->data);
            EXPECT_EQ(Get(font, record + 4, 4), SfntChecksum(data));
        }
        for (size_t pad = offset + length; pad % 4 != 0; ++pad) {
            EXPECT_EQ(font.at(pad), '\0') << "padded with zeros to four bytes";
        }
    }
    EXPECT_EQ(SfntChecksum(font), 0xB1B0AFBAu) << "the whole file, by the adjustment in 'head'";
    EXPECT_EQ(font.size() % 4, 0u);
}

TEST(SfntWriter, RefusesAHeadTooShortForItsAdjustment)
{
    EXPECT_THROW(WriteSfnt({{SfntTag("head"), std::string(11, '\0')}}), std::invalid_argument);
}

} // namespace
} // namespace Document
