#pragma once
// One TrueType font (glyph outlines, not CFF), read from its file's bytes:
// which glyph draws a character, how wide each glyph is, the metrics a PDF
// font descriptor needs, and the raw tables and glyphs that a subset copies.
// The bytes may come from anywhere (a hostile document's neighbour, a broken
// system font): the constructor checks every table it uses and refuses a
// damaged font with a DocumentError, so that no accessor reads past the data.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

class CharacterMap;

// A table's four-letter tag as the file stores it, e.g. SfntTag("glyf").
constexpr uint32_t SfntTag(const char (&name)[5])
{
    return static_cast<uint32_t>(static_cast<unsigned char>(name[0])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[2])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(name[3]));
}

// In font units (UnitsPerEm to the em), y upwards.
struct FontMetrics {
    int unitsPerEm = 0;
    int ascent = 0;
    int descent = 0;     // negative below the baseline
    int capHeight = 0;
    int xMin = 0;
    int yMin = 0;
    int xMax = 0;
    int yMax = 0;
    double italicAngle = 0; // degrees, counter-clockwise from the vertical
    bool fixedPitch = false;
    bool italic = false;
    int weightClass = 400;  // 100 (thin) to 900 (black)
};

class TrueTypeFont {
public:
    // Larger than any font a system ships; bounds the work a crafted file can ask for.
    static constexpr size_t MaxFileSize = 64u << 20;

    // Takes the whole font file (an sfnt with TrueType outlines). Throws
    // DocumentError when the file is no such font or is damaged.
    explicit TrueTypeFont(std::string bytes);

    // The glyph that draws a Unicode code point; 0 (the "missing" glyph) when the font has none.
    uint16_t GlyphFor(char32_t codePoint) const;
    uint16_t GlyphCount() const noexcept { return glyphCount_; }
    // Horizontal advance in font units; 0 for a glyph id beyond GlyphCount().
    uint16_t AdvanceWidth(uint16_t glyph) const;
    int16_t LeftSideBearing(uint16_t glyph) const;

    const FontMetrics& Metrics() const noexcept { return metrics_; }
    int UnitsPerEm() const noexcept { return metrics_.unitsPerEm; }
    // The PostScript name (name id 6), reduced to characters a PDF name may
    // hold without escapes; "Font" when the font names none.
    const std::string& PostScriptName() const noexcept { return postScriptName_; }
    // False when the font's licence flags (OS/2 fsType) forbid embedding it in a document.
    bool EmbeddingAllowed() const noexcept { return embeddingAllowed_; }

    // A table's bytes; empty when the font has no such table.
    std::string_view Table(uint32_t tag) const;
    // A glyph's entry in 'glyf' as stored; empty for a glyph without outline (a space).
    std::string_view GlyphOutline(uint16_t glyph) const;
    // The glyphs a composite glyph is drawn from (one level); none for a
    // simple glyph. Throws DocumentError when the composite is damaged.
    std::vector<uint16_t> ComponentsOf(uint16_t glyph) const;

    const std::string& Bytes() const noexcept { return bytes_; }

private:
    struct Span {
        size_t offset = 0;
        size_t length = 0;
    };
    struct TableEntry {
        uint32_t tag = 0;
        Span span;
    };

    Span RequiredTable(uint32_t tag) const;
    std::string_view View(Span span) const { return std::string_view(bytes_).substr(span.offset, span.length); }
    void ReadTableDirectory();
    void ReadHeaderTables();
    void ReadGlyphLocations();
    void ReadNames();
    uint16_t ValidGlyph(uint32_t glyph) const { return glyph < glyphCount_ ? static_cast<uint16_t>(glyph) : 0; }

    std::string bytes_;
    std::vector<TableEntry> tables_;
    FontMetrics metrics_;
    uint16_t glyphCount_ = 0;
    uint16_t horizontalMetricCount_ = 0;
    int indexToLocFormat_ = 0;
    Span hmtx_;
    Span glyf_;
    std::vector<uint32_t> glyphOffsets_; // GlyphCount() + 1 offsets into 'glyf', ascending
    std::shared_ptr<const CharacterMap> characterMap_;
    std::vector<uint16_t> bmpGlyphs_; // the glyph of every BMP code point
    std::string postScriptName_;
    bool embeddingAllowed_ = true;
};

} // namespace Document
