#include "TrueTypeFont.h"

#include "CharacterMap.h"
#include "DocumentError.h"
#include "SfntReader.h"

#include <algorithm>

namespace Document {
namespace {

std::wstring TagName(uint32_t tag)
{
    std::wstring name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        wchar_t c = static_cast<wchar_t>((tag >> shift) & 0xFF);
        name += (c >= 0x20 && c < 0x7F) ? c : L'?';
    }
    return name;
}

std::wstring TablePart(uint32_t tag)
{
    return L"'" + TagName(tag) + L"' table";
}

[[noreturn]] void Damaged(const std::wstring& why)
{
    throw DocumentError(L"The font is damaged: " + why);
}

// Whether a character may stand in a PDF name and a PostScript font name as it is.
bool IsNameCharacter(uint32_t c)
{
    return c > 0x20 && c < 0x7F && std::wstring_view(L"()<>[]{}/%#").find(static_cast<wchar_t>(c)) == std::wstring_view::npos;
}

constexpr size_t MaxPostScriptName = 63;

} // namespace

TrueTypeFont::TrueTypeFont(std::string bytes) : bytes_(std::move(bytes))
{
    if (bytes_.size() > MaxFileSize) {
        throw DocumentError(L"The font is too large: " + std::to_wstring(bytes_.size()) + L" bytes, where at most " +
                            std::to_wstring(MaxFileSize) + L" are accepted.");
    }
    ReadTableDirectory();
    ReadHeaderTables();
    ReadGlyphLocations();
    characterMap_ = std::make_shared<const CharacterMap>(View(RequiredTable(SfntTag("cmap"))));
    bmpGlyphs_ = characterMap_->BmpGlyphs(glyphCount_);
    ReadNames();
    if (metrics_.capHeight == 0) {
        // Older fonts do not state the height of capitals: the top of "H" is that height.
        std::string_view h = GlyphOutline(GlyphFor(U'H'));
        metrics_.capHeight = h.size() >= 10 ? SfntReader(h, L"glyph of H").S16(8) : metrics_.ascent;
    }
}

void TrueTypeFont::ReadTableDirectory()
{
    SfntReader file(bytes_, L"table directory");
    uint32_t version = file.U32(0);
    if (version == SfntTag("ttcf")) {
        throw DocumentError(L"The font file is a collection of fonts, not a single font.");
    }
    if (version == SfntTag("OTTO")) {
        throw DocumentError(L"The font has PostScript (CFF) outlines; only TrueType outlines can be embedded.");
    }
    if (version != 0x00010000 && version != SfntTag("true")) {
        throw DocumentError(L"The file is not a TrueType font.");
    }
    uint16_t count = file.U16(4);
    for (uint16_t i = 0; i < count; ++i) {
        size_t record = 12 + 16 * size_t{i};
        TableEntry entry{file.U32(record), Span{file.U32(record + 8), file.U32(record + 12)}};
        if (!file.Has(entry.span.offset, entry.span.length)) {
            Damaged(L"its " + TablePart(entry.tag) + L" lies outside the file.");
        }
        tables_.push_back(entry);
    }
}

TrueTypeFont::Span TrueTypeFont::RequiredTable(uint32_t tag) const
{
    for (const TableEntry& table : tables_) {
        if (table.tag == tag) {
            return table.span;
        }
    }
    Damaged(L"it has no " + TablePart(tag) + L".");
}

std::string_view TrueTypeFont::Table(uint32_t tag) const
{
    for (const TableEntry& table : tables_) {
        if (table.tag == tag) {
            return View(table.span);
        }
    }
    return {};
}

void TrueTypeFont::ReadHeaderTables()
{
    SfntReader head(View(RequiredTable(SfntTag("head"))), L"'head' table");
    head.Bytes(0, 54);
    metrics_.unitsPerEm = head.U16(18);
    if (metrics_.unitsPerEm < 16 || metrics_.unitsPerEm > 16384) {
        Damaged(L"its units per em (" + std::to_wstring(metrics_.unitsPerEm) + L") are outside 16 to 16384.");
    }
    metrics_.xMin = head.S16(36);
    metrics_.yMin = head.S16(38);
    metrics_.xMax = head.S16(40);
    metrics_.yMax = head.S16(42);
    metrics_.italic = (head.U16(44) & 0x0002) != 0;
    indexToLocFormat_ = head.S16(50);
    if (indexToLocFormat_ != 0 && indexToLocFormat_ != 1) {
        Damaged(L"its glyph location format (" + std::to_wstring(indexToLocFormat_) + L") is neither 0 nor 1.");
    }

    SfntReader maxp(View(RequiredTable(SfntTag("maxp"))), L"'maxp' table");
    glyphCount_ = maxp.U16(4);
    if (glyphCount_ == 0) {
        Damaged(L"it has no glyphs.");
    }

    SfntReader hhea(View(RequiredTable(SfntTag("hhea"))), L"'hhea' table");
    metrics_.ascent = hhea.S16(4);
    metrics_.descent = hhea.S16(6);
    horizontalMetricCount_ = std::min(hhea.U16(34), glyphCount_);
    if (horizontalMetricCount_ == 0) {
        Damaged(L"it has no horizontal metrics.");
    }
    hmtx_ = RequiredTable(SfntTag("hmtx"));
    SfntReader(View(hmtx_), L"'hmtx' table").Bytes(0, 4 * size_t{horizontalMetricCount_});

    std::string_view post = Table(SfntTag("post"));
    if (post.size() >= 16) {
        SfntReader reader(post, L"'post' table");
        metrics_.italicAngle = static_cast<int32_t>(reader.U32(4)) / 65536.0;
        metrics_.fixedPitch = reader.U32(12) != 0;
    }
    std::string_view os2 = Table(SfntTag("OS/2"));
    if (os2.size() >= 10) {
        SfntReader reader(os2, L"'OS/2' table");
        metrics_.weightClass = std::clamp<int>(reader.U16(4), 1, 1000);
        uint16_t fsType = reader.U16(8);
        // Restricted licence (0x0002 alone in the low bits), or bitmaps only.
        embeddingAllowed_ = (fsType & 0x000F) != 0x0002 && (fsType & 0x0200) == 0;
        if (reader.U16(0) >= 2 && os2.size() >= 90) {
            metrics_.capHeight = reader.S16(88);
        }
    }
}

void TrueTypeFont::ReadGlyphLocations()
{
    glyf_ = RequiredTable(SfntTag("glyf"));
    SfntReader loca(View(RequiredTable(SfntTag("loca"))), L"'loca' table");
    glyphOffsets_.reserve(size_t{glyphCount_} + 1);
    for (size_t i = 0; i <= glyphCount_; ++i) {
        uint32_t offset = indexToLocFormat_ == 0 ? 2 * uint32_t{loca.U16(2 * i)} : loca.U32(4 * i);
        if (offset > glyf_.length || (!glyphOffsets_.empty() && offset < glyphOffsets_.back())) {
            Damaged(L"the location of glyph " + std::to_wstring(i) + L" lies outside its 'glyf' table.");
        }
        glyphOffsets_.push_back(offset);
    }
}

void TrueTypeFont::ReadNames()
{
    postScriptName_ = "Font";
    std::string_view table = Table(SfntTag("name"));
    if (table.size() < 6) {
        return;
    }
    SfntReader name(table, L"'name' table");
    size_t count = name.U16(2);
    size_t storage = name.U16(4);
    int bestRank = 0;
    for (size_t i = 0; i < count && name.Has(6 + 12 * i, 12); ++i) {
        size_t record = 6 + 12 * i;
        uint16_t platform = name.U16(record);
        size_t length = name.U16(record + 8);
        size_t offset = storage + name.U16(record + 10);
        // Windows' UTF-16 names before the Macintosh's single bytes before the Unicode platform's.
        int rank = platform == 3 ? 3 : platform == 1 ? 2 : platform == 0 ? 1 : 0;
        if (name.U16(record + 6) != 6 || rank <= bestRank || !name.Has(offset, length)) {
            continue;
        }
        bool wide = platform != 1;
        std::string text;
        for (size_t at = 0; at + (wide ? 1 : 0) < length && text.size() < MaxPostScriptName; at += wide ? 2 : 1) {
            uint32_t c = wide ? name.U16(offset + at) : name.U8(offset + at);
            if (IsNameCharacter(c)) {
                text += static_cast<char>(c);
            }
        }
        if (!text.empty()) {
            bestRank = rank;
            postScriptName_ = text;
        }
    }
}

uint16_t TrueTypeFont::GlyphFor(char32_t codePoint) const
{
    return codePoint < bmpGlyphs_.size() ? bmpGlyphs_[codePoint] : ValidGlyph(characterMap_->GlyphFor(codePoint));
}

uint16_t TrueTypeFont::AdvanceWidth(uint16_t glyph) const
{
    if (glyph >= glyphCount_) {
        return 0;
    }
    // Glyphs past the last full metric share its advance.
    size_t metric = std::min<size_t>(glyph, horizontalMetricCount_ - 1);
    return SfntReader(View(hmtx_), L"'hmtx' table").U16(4 * metric);
}

int16_t TrueTypeFont::LeftSideBearing(uint16_t glyph) const
{
    SfntReader hmtx(View(hmtx_), L"'hmtx' table");
    if (glyph >= glyphCount_) {
        return 0;
    }
    if (glyph < horizontalMetricCount_) {
        return hmtx.S16(4 * size_t{glyph} + 2);
    }
    size_t at = 4 * size_t{horizontalMetricCount_} + 2 * (size_t{glyph} - horizontalMetricCount_);
    return hmtx.Has(at, 2) ? hmtx.S16(at) : 0;
}

std::string_view TrueTypeFont::GlyphOutline(uint16_t glyph) const
{
    if (glyph >= glyphCount_) {
        return {};
    }
    return View(glyf_).substr(glyphOffsets_[glyph], glyphOffsets_[glyph + 1] - glyphOffsets_[glyph]);
}

std::vector<uint16_t> TrueTypeFont::ComponentsOf(uint16_t glyph) const
{
    std::string_view outline = GlyphOutline(glyph);
    std::vector<uint16_t> components;
    if (outline.empty()) {
        return components;
    }
    std::wstring part = L"glyph " + std::to_wstring(glyph);
    SfntReader reader(outline, part);
    if (reader.S16(0) >= 0) {
        reader.Bytes(0, 10);
        return components;
    }
    enum : uint16_t {
        ArgumentsAreWords = 0x0001,
        HasScale = 0x0008,
        MoreComponents = 0x0020,
        HasXYScale = 0x0040,
        HasTwoByTwo = 0x0080,
    };
    size_t at = 10;
    uint16_t flags = 0;
    do {
        flags = reader.U16(at);
        uint16_t component = reader.U16(at + 2);
        if (component >= glyphCount_) {
            Damaged(L"glyph " + std::to_wstring(glyph) + L" is drawn from glyph " + std::to_wstring(component) +
                    L", which the font does not have.");
        }
        components.push_back(component);
        at += 4 + ((flags & ArgumentsAreWords) ? 4 : 2);
        at += (flags & HasScale) ? 2 : (flags & HasXYScale) ? 4 : (flags & HasTwoByTwo) ? 8 : 0;
        reader.Bytes(0, at);
    } while (flags & MoreComponents);
    return components;
}

} // namespace Document
