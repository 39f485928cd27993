#include "CharacterMap.h"

#include "DocumentError.h"
#include "SfntReader.h"

#include <algorithm>

namespace Document {
namespace {

// Ranks of the Unicode subtables, best first; 0: not one we read.
// Windows' records before the Unicode platform's.
int Rank(uint16_t platform, uint16_t encoding, uint16_t format)
{
    if (format == 12 && platform == 3 && encoding == 10) return 4;
    if (format == 12 && platform == 0 && (encoding == 4 || encoding == 6)) return 3;
    if (format == 4 && platform == 3 && encoding == 1) return 2;
    if (format == 4 && platform == 0 && encoding <= 3) return 1;
    return 0;
}

} // namespace

CharacterMap::CharacterMap(std::string_view cmapTable)
{
    SfntReader reader(cmapTable, L"'cmap' table");
    uint16_t count = reader.U16(2);
    int bestRank = 0;
    for (uint16_t i = 0; i < count; ++i) {
        size_t record = 4 + 8 * size_t{i};
        uint16_t platform = reader.U16(record);
        uint16_t encoding = reader.U16(record + 2);
        size_t offset = reader.U32(record + 4);
        if (!reader.Has(offset, 2)) {
            throw DocumentError(L"The font is damaged: a subtable of its 'cmap' table lies outside the table.");
        }
        uint16_t format = reader.U16(offset);
        int rank = Rank(platform, encoding, format);
        if (rank <= bestRank) {
            continue;
        }
        // The subtable's own length field is often wrong in format 4 (it
        // overflows in large fonts); what counts is that the arrays fit.
        size_t available = reader.Size() - offset;
        uint64_t needed = 0;
        if (format == 4) {
            needed = reader.Has(offset, 8) ? 16 + 4 * uint64_t{reader.U16(offset + 6)} : UINT64_MAX;
        } else {
            needed = reader.Has(offset, 16) ? 16 + 12 * uint64_t{reader.U32(offset + 12)} : UINT64_MAX;
        }
        if (needed > available) {
            throw DocumentError(L"The font is damaged: a subtable of its 'cmap' table is longer than the table.");
        }
        bestRank = rank;
        subtable_ = std::string(cmapTable.substr(offset, format == 4 ? available : needed));
        format_ = format;
    }
    if (bestRank == 0) {
        throw DocumentError(L"The font has no Unicode character map.");
    }
}

uint32_t CharacterMap::GlyphFor(char32_t codePoint) const
{
    SfntReader map(subtable_, L"'cmap' table");
    if (format_ == 12) {
        size_t groups = map.U32(12);
        size_t low = 0;
        size_t high = groups;
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            if (map.U32(16 + 12 * middle + 4) < codePoint) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        if (low == groups || map.U32(16 + 12 * low) > codePoint) {
            return 0;
        }
        uint64_t glyph = uint64_t{map.U32(16 + 12 * low + 8)} + (codePoint - map.U32(16 + 12 * low));
        return glyph <= UINT32_MAX ? static_cast<uint32_t>(glyph) : 0;
    }
    if (codePoint > 0xFFFF) {
        return 0;
    }
    size_t segmentBytes = map.U16(6);
    size_t endCodes = 14;
    size_t startCodes = 16 + segmentBytes;
    size_t low = 0;
    size_t high = segmentBytes / 2;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (map.U16(endCodes + 2 * middle) < codePoint) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == segmentBytes / 2 || map.U16(startCodes + 2 * low) > codePoint) {
        return 0;
    }
    return Format4Glyph(low, codePoint);
}

// The glyph of a code point that lies in the given segment of a format 4 subtable.
uint32_t CharacterMap::Format4Glyph(size_t segment, char32_t codePoint) const
{
    SfntReader map(subtable_, L"'cmap' table");
    size_t segmentBytes = map.U16(6);
    size_t startCodes = 16 + segmentBytes;
    size_t deltas = 16 + 2 * segmentBytes;
    size_t rangeOffsets = 16 + 3 * segmentBytes;
    uint16_t delta = map.U16(deltas + 2 * segment);
    uint16_t rangeOffset = map.U16(rangeOffsets + 2 * segment);
    if (rangeOffset == 0) {
        return (codePoint + delta) & 0xFFFF;
    }
    // The offset counts from the segment's own idRangeOffset entry into glyphIdArray.
    size_t at = rangeOffsets + 2 * segment + rangeOffset + 2 * (codePoint - map.U16(startCodes + 2 * segment));
    if (!map.Has(at, 2) || map.U16(at) == 0) {
        return 0;
    }
    return (map.U16(at) + delta) & 0xFFFF;
}

std::vector<uint16_t> CharacterMap::BmpGlyphs(uint32_t glyphCount) const
{
    std::vector<uint16_t> glyphs(0x10000, 0);
    SfntReader map(subtable_, L"'cmap' table");
    // A code point belongs to the first segment (group) whose end is not
    // below it, as the search in GlyphFor finds it; in a map whose segments
    // are out of order, the first counting from the previous code point's.
    size_t count = format_ == 12 ? map.U32(12) : map.U16(6) / 2;
    size_t startCodes = format_ == 12 ? 0 : 16 + size_t{map.U16(6)};
    uint32_t next = 0; // the first code point no segment has been looked for yet
    for (size_t item = 0; item < count && next < 0x10000; ++item) {
        uint32_t first = format_ == 12 ? map.U32(16 + 12 * item) : map.U16(startCodes + 2 * item);
        uint32_t last = format_ == 12 ? map.U32(16 + 12 * item + 4) : map.U16(14 + 2 * item);
        if (last < next) {
            continue;
        }
        uint32_t end = std::min<uint32_t>(last, 0xFFFF);
        uint64_t firstGlyph = format_ == 12 ? map.U32(16 + 12 * item + 8) : 0;
        for (uint32_t c = std::max(first, next); c <= end; ++c) {
            uint64_t glyph = format_ == 12 ? firstGlyph + (c - first) : Format4Glyph(item, c);
            glyphs[c] = glyph < glyphCount ? static_cast<uint16_t>(glyph) : 0;
        }
        next = end + 1;
    }
    return glyphs;
}

} // namespace Document
