#include "FontSubset.h"

#include "ByteReader.h"
#include "DocumentError.h"
#include "SfntWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace Document {
namespace {

// Glyph 0, the used glyphs, the originals of the variants (both of a
// two-part one) and, through any depth of composites, their parts.
std::vector<bool> KeptGlyphs(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& usedGlyphs,
                             const GlyphVariants& variants)
{
    std::vector<bool> kept(font.GlyphCount(), false);
    std::vector<uint16_t> pending{0};
    for (const auto& used : usedGlyphs) {
        if (used.first < font.GlyphCount()) {
            pending.push_back(used.first);
        }
    }
    for (const GlyphVariant& variant : variants) {
        pending.push_back(variant.glyph);
        if (variant.second != 0) {
            pending.push_back(variant.second);
        }
    }
    while (!pending.empty()) {
        uint16_t glyph = pending.back();
        pending.pop_back();
        if (kept[glyph]) {
            continue;
        }
        kept[glyph] = true;
        for (uint16_t component : font.ComponentsOf(glyph)) {
            if (!kept[component]) {
                pending.push_back(component);
            }
        }
    }
    return kept;
}

// Consecutive code points drawn by consecutive glyphs.
struct CharacterRun {
    char32_t first = 0;
    char32_t last = 0;
    uint16_t glyph = 0;
};

std::vector<CharacterRun> Runs(const std::map<char32_t, uint16_t>& glyphOf, char32_t below)
{
    std::vector<CharacterRun> runs;
    for (const auto& [c, glyph] : glyphOf) {
        if (c >= below) {
            break;
        }
        if (!runs.empty() && runs.back().last + 1 == c && runs.back().glyph + (c - runs.back().first) == glyph) {
            runs.back().last = c;
        } else {
            runs.push_back(CharacterRun{c, c, glyph});
        }
    }
    return runs;
}

std::string Format4(const std::map<char32_t, uint16_t>& glyphOf)
{
    std::vector<CharacterRun> runs = Runs(glyphOf, 0xFFFF);
    runs.push_back(CharacterRun{0xFFFF, 0xFFFF, 0}); // the closing segment every format 4 table has
    size_t segments = runs.size();
    if (16 + 8 * segments > 0xFFFF) {
        return {};
    }
    uint32_t searchRange = 2;
    uint32_t entrySelector = 0;
    while (searchRange * 2 <= 2 * segments) {
        searchRange *= 2;
        ++entrySelector;
    }
    std::string table;
    AppendU16(table, 4);
    AppendU16(table, static_cast<uint32_t>(16 + 8 * segments));
    AppendU16(table, 0);
    AppendU16(table, static_cast<uint32_t>(2 * segments));
    AppendU16(table, searchRange);
    AppendU16(table, entrySelector);
    AppendU16(table, static_cast<uint32_t>(2 * segments - searchRange));
    for (const CharacterRun& run : runs) {
        AppendU16(table, run.last);
    }
    AppendU16(table, 0);
    for (const CharacterRun& run : runs) {
        AppendU16(table, run.first);
    }
    for (const CharacterRun& run : runs) {
        AppendU16(table, run.first == 0xFFFF ? 1 : (run.glyph - run.first) & 0xFFFF);
    }
    for (size_t i = 0; i < segments; ++i) {
        AppendU16(table, 0);
    }
    return table;
}

std::string Format12(const std::map<char32_t, uint16_t>& glyphOf)
{
    std::vector<CharacterRun> runs = Runs(glyphOf, 0x110000);
    std::string table;
    AppendU16(table, 12);
    AppendU16(table, 0);
    AppendU32(table, static_cast<uint32_t>(16 + 12 * runs.size()));
    AppendU32(table, 0);
    AppendU32(table, static_cast<uint32_t>(runs.size()));
    for (const CharacterRun& run : runs) {
        AppendU32(table, run.first);
        AppendU32(table, run.last);
        AppendU32(table, run.glyph);
    }
    return table;
}

// Windows' BMP map, and the full map where the characters need it.
std::string CharacterMapTable(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& usedGlyphs)
{
    std::map<char32_t, uint16_t> glyphOf;
    for (const auto& [glyph, text] : usedGlyphs) {
        for (char32_t c : text) {
            if (glyph != 0 && font.GlyphFor(c) == glyph) {
                glyphOf[c] = glyph;
            }
        }
    }
    std::vector<std::pair<uint16_t, std::string>> subtables; // Windows encoding id, subtable
    std::string bmp = Format4(glyphOf);
    if (!bmp.empty()) {
        subtables.emplace_back(1, std::move(bmp));
    }
    if (subtables.empty() || (!glyphOf.empty() && glyphOf.rbegin()->first > 0xFFFF)) {
        subtables.emplace_back(10, Format12(glyphOf));
    }
    std::string table;
    AppendU16(table, 0);
    AppendU16(table, static_cast<uint32_t>(subtables.size()));
    uint32_t offset = static_cast<uint32_t>(4 + 8 * subtables.size());
    for (const auto& [encoding, subtable] : subtables) {
        AppendU16(table, 3);
        AppendU16(table, encoding);
        AppendU32(table, offset);
        offset += static_cast<uint32_t>(subtable.size());
    }
    for (const auto& subtable : subtables) {
        table += subtable.second;
    }
    return table;
}

// A six-letter tag that differs between subsets of one font, and is the
// same for the same subset (a converted document does not change from run to run).
std::string SubsetTag(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& usedGlyphs)
{
    uint32_t hash = 2166136261u;
    auto mix = [&](uint32_t byte) { hash = (hash ^ byte) * 16777619u; };
    for (char c : font.PostScriptName()) {
        mix(static_cast<unsigned char>(c));
    }
    for (const auto& used : usedGlyphs) {
        mix(used.first >> 8);
        mix(used.first & 0xFF);
    }
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

int16_t ClampedS16(long value)
{
    return static_cast<int16_t>(std::clamp<long>(value, INT16_MIN, INT16_MAX));
}

// One part of a variant: a glyph of the font moved by an offset in font units.
struct VariantPart {
    uint16_t glyph = 0;
    int16_t dx = 0;
    int16_t dy = 0;
};

// A variant as a composite glyph of its parts, each its original moved by
// its offset, the bounding box the parts' boxes moved with them. A variant
// of a glyph without outline (a placeholder mark) is a composite too, with
// an empty box, so that a reader finds which glyph it stands for.
std::string VariantOutline(const TrueTypeFont& font, const std::vector<VariantPart>& parts)
{
    std::vector<int16_t> box; // xMin, yMin, xMax, yMax; empty while no part has an outline
    for (const VariantPart& part : parts) {
        std::string_view outline = font.GlyphOutline(part.glyph);
        if (outline.size() < 10) {
            continue;
        }
        const ByteReader header(outline, ByteOrder::BigEndian, L"The font", L"glyph outline");
        std::vector<int16_t> moved;
        for (size_t at : {2, 4, 6, 8}) {
            moved.push_back(ClampedS16(header.S16(at) + (at % 4 == 2 ? part.dx : part.dy)));
        }
        if (box.empty()) {
            box = moved;
        } else {
            box = {std::min(box[0], moved[0]), std::min(box[1], moved[1]), std::max(box[2], moved[2]), std::max(box[3], moved[3])};
        }
    }
    box.resize(4, 0);
    constexpr uint16_t ArgumentsAreWords = 0x0001, ArgumentsAreXYValues = 0x0002, MoreComponents = 0x0020;
    std::string composite;
    AppendU16(composite, 0xFFFF); // -1 contours: a composite
    for (int16_t edge : box) {
        AppendU16(composite, static_cast<uint16_t>(edge));
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        AppendU16(composite, ArgumentsAreWords | ArgumentsAreXYValues | (i + 1 < parts.size() ? MoreComponents : 0));
        AppendU16(composite, parts[i].glyph);
        AppendU16(composite, static_cast<uint16_t>(parts[i].dx));
        AppendU16(composite, static_cast<uint16_t>(parts[i].dy));
    }
    return composite;
}

// The kept glyphs' outlines and the variants' after them, with where each
// starts, and what the variants need of the other tables.
struct GlyphTable {
    std::string glyf;
    std::vector<uint32_t> offsets; // one more than the glyphs: the end of the last
    std::vector<int16_t> variantBearings;
    bool variantOfComposite = false;
    uint32_t mostParts = 1;
};

GlyphTable GlyphOutlines(const TrueTypeFont& font, const std::vector<bool>& kept, size_t glyphCount,
                         const GlyphVariants& variants)
{
    auto units = [&](int thousandths) { return ClampedS16(std::lround(thousandths * font.UnitsPerEm() / 1000.0)); };
    GlyphTable table;
    std::string& glyf = table.glyf;
    for (size_t glyph = 0; glyph < glyphCount; ++glyph) {
        table.offsets.push_back(static_cast<uint32_t>(glyf.size()));
        if (kept[glyph]) {
            glyf += font.GlyphOutline(static_cast<uint16_t>(glyph));
            glyf.append((4 - glyf.size() % 4) % 4, '\0');
        }
    }
    for (const GlyphVariant& variant : variants) {
        table.offsets.push_back(static_cast<uint32_t>(glyf.size()));
        if (variant.empty) {
            table.variantBearings.push_back(0);
            continue;
        }
        std::vector<VariantPart> parts{{variant.glyph, units(variant.xOffset), units(variant.yOffset)}};
        if (variant.second != 0) {
            parts.push_back({variant.second, units(variant.secondXOffset), units(variant.secondYOffset)});
        }
        glyf += VariantOutline(font, parts);
        glyf.append((4 - glyf.size() % 4) % 4, '\0');
        // The left side bearing is the left edge of the parts drawn (of the
        // first where none has an outline).
        std::optional<int16_t> bearing;
        for (const VariantPart& part : parts) {
            int16_t left = ClampedS16(font.LeftSideBearing(part.glyph) + part.dx);
            if (font.GlyphOutline(part.glyph).size() >= 10 && (!bearing || left < *bearing)) {
                bearing = left;
            }
            table.variantOfComposite = table.variantOfComposite || !font.ComponentsOf(part.glyph).empty();
        }
        table.variantBearings.push_back(bearing.value_or(ClampedS16(font.LeftSideBearing(variant.glyph) + parts[0].dx)));
        table.mostParts = std::max(table.mostParts, static_cast<uint32_t>(parts.size()));
    }
    table.offsets.push_back(static_cast<uint32_t>(glyf.size()));
    return table;
}

// The advances the document draws with where it names them, the font's
// own elsewhere (a variant's: its original's, its second part's for a
// two-part one, drawn last).
std::vector<uint16_t> Advances(const TrueTypeFont& font, size_t fontGlyphs, const GlyphVariants& variants,
                               const GlyphWidths& widths)
{
    const size_t glyphCount = fontGlyphs + variants.size();
    std::vector<uint16_t> advances(glyphCount);
    for (size_t glyph = 0; glyph < glyphCount; ++glyph) {
        if (glyph < fontGlyphs) {
            advances[glyph] = font.AdvanceWidth(static_cast<uint16_t>(glyph));
        } else {
            const GlyphVariant& variant = variants[glyph - fontGlyphs];
            advances[glyph] = font.AdvanceWidth(variant.second != 0 ? variant.second : variant.glyph);
        }
    }
    for (const auto& [glyph, width] : widths) {
        if (glyph < glyphCount && width >= 0) {
            advances[glyph] = static_cast<uint16_t>(std::min<long>(0xFFFF, std::lround(width * font.UnitsPerEm() / 1000.0)));
        }
    }
    return advances;
}

// Trailing glyphs of the last advance (all of a monospaced font) need only
// their side bearing; an emptied glyph's bearing is zero, which compresses.
// `metricCount`: how many glyphs have an advance of their own.
std::string HorizontalMetrics(const TrueTypeFont& font, const std::vector<bool>& kept, size_t fontGlyphs,
                              const std::vector<uint16_t>& advances, const std::vector<int16_t>& variantBearings,
                              size_t& metricCount)
{
    const size_t glyphCount = advances.size();
    metricCount = glyphCount;
    while (metricCount > 1 && advances[metricCount - 1] == advances[metricCount - 2]) {
        --metricCount;
    }
    std::string hmtx;
    for (size_t glyph = 0; glyph < glyphCount; ++glyph) {
        if (glyph < metricCount) {
            AppendU16(hmtx, advances[glyph]);
        }
        if (glyph >= fontGlyphs) {
            AppendU16(hmtx, static_cast<uint16_t>(variantBearings[glyph - fontGlyphs]));
        } else {
            AppendU16(hmtx, kept[glyph] ? static_cast<uint16_t>(font.LeftSideBearing(static_cast<uint16_t>(glyph))) : 0);
        }
    }
    return hmtx;
}

// The font's maxp with the subset's glyph count. Version 1.0's limits,
// which a rasterizer may size its buffers by, must hold the variants: one
// or two parts each, one level above their originals.
std::string MaximumProfile(const TrueTypeFont& font, size_t glyphCount, const GlyphTable& glyphs, bool variants)
{
    std::string_view original = font.Table(SfntTag("maxp"));
    std::string maxp(original);
    PutU16(maxp, 4, static_cast<uint32_t>(glyphCount));
    if (!variants || maxp.size() < 32) {
        return maxp;
    }
    const ByteReader limits(original, ByteOrder::BigEndian, L"The font", L"maxp table");
    auto raise = [&](size_t at, uint32_t least) { PutU16(maxp, at, std::max<uint32_t>(limits.U16(at), least)); };
    auto times = [&](uint32_t count, size_t offset, size_t composite) {
        return std::min<uint32_t>(0xFFFF, count * std::max(limits.U16(offset), limits.U16(composite)));
    };
    raise(10, times(glyphs.mostParts, 6, 10)); // maxCompositePoints: its parts' points
    raise(12, times(glyphs.mostParts, 8, 12)); // maxCompositeContours
    raise(28, glyphs.mostParts);              // maxComponentElements
    raise(30, glyphs.variantOfComposite ? limits.U16(30) + 1 : 1); // maxComponentDepth
    return maxp;
}

// The subset's file: the kept glyphs' tables, each kept glyph advancing by
// its width, and the variants after the font's own glyphs.
std::string SubsetFile(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& usedGlyphs,
                       const GlyphWidths& widths, const GlyphVariants& variants)
{
    std::vector<bool> kept = KeptGlyphs(font, usedGlyphs, variants);
    // Glyphs past the last one kept are dropped altogether; the ids below
    // stay. With variants, every glyph of the font keeps its place before them.
    size_t fontGlyphs = kept.size();
    while (variants.empty() && fontGlyphs > 1 && !kept[fontGlyphs - 1]) {
        --fontGlyphs;
    }
    if (fontGlyphs + variants.size() > 0xFFFF) {
        throw DocumentError(L"The font has " + std::to_wstring(fontGlyphs) + L" glyphs, and " +
                            std::to_wstring(variants.size()) + L" moved copies of its marks do not fit after them.");
    }
    GlyphTable glyphs = GlyphOutlines(font, kept, fontGlyphs, variants);
    const size_t glyphCount = fontGlyphs + variants.size();
    std::vector<uint16_t> advances = Advances(font, fontGlyphs, variants, widths);
    size_t metricCount = 0;
    std::string hmtx = HorizontalMetrics(font, kept, fontGlyphs, advances, glyphs.variantBearings, metricCount);
    bool shortOffsets = glyphs.glyf.size() <= 2 * 0xFFFF;
    std::string loca;
    for (uint32_t offset : glyphs.offsets) {
        shortOffsets ? AppendU16(loca, offset / 2) : AppendU32(loca, offset);
    }

    std::string head(font.Table(SfntTag("head")).substr(0, 54));
    PutU16(head, 50, shortOffsets ? 0 : 1);
    std::string hhea(font.Table(SfntTag("hhea")).substr(0, 36));
    PutU16(hhea, 10, *std::max_element(advances.begin(), advances.end())); // advanceWidthMax
    PutU16(hhea, 34, static_cast<uint32_t>(metricCount));

    std::vector<SfntTable> tables;
    tables.push_back({SfntTag("head"), std::move(head)});
    tables.push_back({SfntTag("hhea"), std::move(hhea)});
    tables.push_back({SfntTag("hmtx"), std::move(hmtx)});
    tables.push_back({SfntTag("maxp"), MaximumProfile(font, glyphCount, glyphs, !variants.empty())});
    tables.push_back({SfntTag("loca"), std::move(loca)});
    tables.push_back({SfntTag("glyf"), std::move(glyphs.glyf)});
    tables.push_back({SfntTag("cmap"), CharacterMapTable(font, usedGlyphs)});
    for (uint32_t hinting : {SfntTag("cvt "), SfntTag("fpgm"), SfntTag("prep")}) {
        if (!font.Table(hinting).empty()) {
            tables.push_back({hinting, std::string(font.Table(hinting))});
        }
    }
    std::string_view post = font.Table(SfntTag("post"));
    if (post.size() >= 32) {
        std::string names(post.substr(0, 32));
        PutU32(names, 0, 0x00030000); // version 3: no glyph names
        tables.push_back({SfntTag("post"), std::move(names)});
    }
    return WriteSfnt(std::move(tables));
}

} // namespace

FontSubsetFacts BuildFontSubset(const TrueTypeFont& font, const std::map<uint16_t, std::u32string>& shownGlyphs,
                                const GlyphWidths& widths, const GlyphVariants& variants)
{
    std::map<uint16_t, std::u32string> usedGlyphs;
    for (const auto& shown : shownGlyphs) {
        if (shown.first < font.GlyphCount() + variants.size()) {
            usedGlyphs.insert(shown);
        }
    }
    FontSubsetFacts data;
    data.name = SubsetTag(font, usedGlyphs) + "+" + font.PostScriptName();
    data.file = SubsetFile(font, usedGlyphs, widths, variants);
    data.metrics = font.Metrics();
    return data;
}

} // namespace Document
