#include "ToUnicodeCMap.h"

#include "CMapBlocks.h"

#include <algorithm>
#include <vector>

namespace Document {
namespace {


void AppendHex4(std::string& out, uint32_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += digits[(value >> shift) & 0xF];
    }
}

std::u16string Utf16(const std::u32string& text)
{
    std::u16string units;
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            continue;
        }
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return units;
}

struct Entry {
    uint16_t glyph = 0;
    std::u16string text;
};

} // namespace

std::string ToUnicodeCMap(const std::map<uint16_t, std::u32string>& glyphText)
{
    std::vector<Entry> entries;
    for (const auto& [glyph, text] : glyphText) {
        std::u16string units = Utf16(text);
        if (!units.empty()) {
            entries.push_back(Entry{glyph, std::move(units)});
        }
    }
    // A range stands for consecutive glyphs showing consecutive single UTF-16
    // units; a reader increments only the last byte, so neither the glyph
    // ids nor the units may carry into their high byte within one range.
    struct Range {
        uint16_t first = 0;
        uint16_t last = 0;
        char16_t text = 0;
    };
    std::vector<Range> ranges;
    std::vector<const Entry*> singles;
    for (size_t i = 0; i < entries.size();) {
        size_t j = i + 1;
        if (entries[i].text.size() == 1) {
            while (j < entries.size() && entries[j].text.size() == 1 && entries[j].glyph == entries[j - 1].glyph + 1 &&
                   entries[j].text[0] == entries[j - 1].text[0] + 1 && (entries[j].glyph >> 8) == (entries[i].glyph >> 8) &&
                   (entries[j].text[0] >> 8) == (entries[i].text[0] >> 8)) {
                ++j;
            }
        }
        if (j - i >= 2) {
            ranges.push_back(Range{entries[i].glyph, entries[j - 1].glyph, entries[i].text[0]});
        } else {
            singles.push_back(&entries[i]);
        }
        i = j;
    }

    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n"
        "12 dict begin\n"
        "begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n"
        "/CMapType 2 def\n"
        "1 begincodespacerange\n"
        "<0000> <FFFF>\n"
        "endcodespacerange\n";
    WriteCMapBlocks(cmap, singles, "bfchar", [&](const Entry* entry) {
        cmap += '<';
        AppendHex4(cmap, entry->glyph);
        cmap += "> <";
        for (char16_t unit : entry->text) {
            AppendHex4(cmap, unit);
        }
        cmap += ">\n";
    });
    WriteCMapBlocks(cmap, ranges, "bfrange", [&](const Range& range) {
        cmap += '<';
        AppendHex4(cmap, range.first);
        cmap += "> <";
        AppendHex4(cmap, range.last);
        cmap += "> <";
        AppendHex4(cmap, range.text);
        cmap += ">\n";
    });
    cmap +=
        "endcmap\n"
        "CMapName currentdict /CMap defineresource pop\n"
        "end\n"
        "end\n";
    return cmap;
}

} // namespace Document
