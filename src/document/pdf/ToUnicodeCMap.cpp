#include "ToUnicodeCMap.h"

#include "PdfValues.h"

#include <algorithm>
#include <vector>

namespace Document {
namespace {

// A reader takes at most 100 entries a block ("2 beginbfchar ... endbfchar"),
// so longer lists are split; format appends one item's line.
constexpr size_t MaxBlockEntries = 100;

template <typename Item, typename Format>
void WriteBlocks(std::string& out, const std::vector<Item>& items, const char* name, Format format)
{
    for (size_t start = 0; start < items.size(); start += MaxBlockEntries) {
        size_t end = std::min(items.size(), start + MaxBlockEntries);
        out += std::to_string(end - start) + " begin" + name + "\n";
        for (size_t i = start; i < end; ++i) {
            format(items[i]);
        }
        out += std::string("end") + name + "\n";
    }
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
        if (!text.empty()) {
            entries.push_back(Entry{glyph, Utf16Units(text)});
        }
    }
    // A range stands for consecutive glyphs showing consecutive single UTF-16
    // units; a reader increments only the last byte, so neither the glyph
    // ids nor the units may carry into their high byte within one range.
    // Ghostscript (10.0) reads a range's text wrongly beyond ASCII, so other
    // text is written glyph by glyph.
    struct Range {
        uint16_t first = 0;
        uint16_t last = 0;
        char16_t text = 0;
    };
    std::vector<Range> ranges;
    std::vector<const Entry*> singles;
    for (size_t i = 0; i < entries.size();) {
        size_t j = i + 1;
        if (entries[i].text.size() == 1 && entries[i].text[0] < 0x80) {
            while (j < entries.size() && entries[j].text.size() == 1 && entries[j].text[0] < 0x80 &&
                   entries[j].glyph == entries[j - 1].glyph + 1 &&
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
    WriteBlocks(cmap, singles, "bfchar", [&](const Entry* entry) {
        cmap += '<';
        AppendHex4(cmap, entry->glyph);
        cmap += "> <";
        AppendHexUnits(cmap, entry->text);
        cmap += ">\n";
    });
    WriteBlocks(cmap, ranges, "bfrange", [&](const Range& range) {
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
