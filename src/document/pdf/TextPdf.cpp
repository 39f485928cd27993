#include "TextPdf.h"

#include "ArchivalParts.h"
#include "CharacterWidth.h"
#include "DisplayOrder.h"
#include "FontPdf.h"
#include "PdfFile.h"
#include "Shaper.h"
#include "ShapedLine.h"

#include "FlateCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace Document {
namespace {

constexpr double Margin = 36; // half an inch on every side, at least
constexpr double LargestFontSize = 10;

// Where the grid of `columns` by `lines` cells lies on the paper.
struct TextFrame {
    int columns;
    double fontSize;
    double leading;
    double left;
    double firstBaseline;
};

TextFrame FrameFor(const Paper& paper, const PageGeometry& geometry, int cellUnits)
{
    double leading = (paper.height - 2 * Margin) / geometry.lines;
    double fontSize = std::min(LargestFontSize, leading);
    double widest = (paper.width - 2 * Margin) / (geometry.columns * cellUnits / 1000.0);
    fontSize = std::min(fontSize, widest);
    double lineWidth = geometry.columns * cellUnits / 1000.0 * fontSize;
    return {geometry.columns, fontSize, leading, (paper.width - lineWidth) / 2, paper.height - Margin - 0.8 * fontSize};
}

// The name a page's resources give the font at this place of
// GlyphChooser::Fonts(): F1, F2, ...
std::string FontResourceName(size_t font)
{
    std::string name(1, 'F');
    name += std::to_string(font + 1);
    return name;
}

// How one character is drawn: in which font, with which glyph, and the TJ
// adjustment after it. Each glyph's width in the font is the width of the
// cell it was first drawn in; a glyph drawn in a cell of another width (the
// replacement glyph standing for a wide character, a glyph that two
// characters of differing widths share) is moved onto the grid by an
// adjustment: its width less the cell's, in thousandths of the font size.
struct Drawing {
    uint32_t font = 0; // the font's place in GlyphChooser::Fonts()
    uint16_t glyph = 0;
    int adjustment = 0;
    int cell = 0; // the width of the character's cell, in thousandths of the font size
    char code[4] = {}; // the glyph's two bytes, escaped for a PDF string
    uint8_t codeLength = 0;
    bool replaced = false;
    bool known = false;
};

class GlyphChooser {
public:
    explicit GlyphChooser(FontList& list) : list_(list), bmp_(0x10000)
    {
        const TextFont& font = list_.At(0);
        replacementGlyph_ = font.Glyph(0xFFFD);
        if (replacementGlyph_ == 0) {
            replacementGlyph_ = font.Glyph(U'?');
        }
    }

    int CellUnits() const { return list_.CellUnits(); }

    const Drawing& For(char32_t character)
    {
        Drawing& drawing = character < bmp_.size() ? bmp_[character] : beyond_[character];
        if (!drawing.known) {
            drawing = Choose(character);
        }
        return drawing;
    }

    // How the character is drawn in this font when the font has it: the
    // blanks, punctuation and marks of a shaped run stay in its letters'
    // font, for a viewer takes a change of font for the end of a word, and
    // a mark is placed on its letter only by the letter's font.
    const Drawing& For(char32_t character, uint32_t font)
    {
        const Drawing& usual = For(character);
        if (usual.font == font || usual.replaced) {
            return usual;
        }
        uint64_t key = static_cast<uint64_t>(font) << 32 | character;
        auto found = inFont_.find(key);
        if (found == inFont_.end()) {
            uint16_t glyph = list_.At(font).Glyph(character);
            found = inFont_.emplace(key, glyph == 0 ? usual : Place(character, glyph, font, false)).first;
        }
        return found->second;
    }

    // A glyph that shaping gave, standing for `text` (empty when its
    // cluster's other glyphs carry the text). Returns its width in the PDF:
    // the advance it was first drawn with.
    int UseShaped(uint32_t font, uint16_t glyph, std::u32string text, int advance)
    {
        FontUse& use = Use(font);
        // try_emplace: a glyph seen before costs no node and no copy.
        auto [found, added] = use.glyphText.try_emplace(glyph, std::move(text));
        if (!added && found->second.empty()) {
            found->second = std::move(text);
        }
        return use.widths.try_emplace(glyph, advance).first->second;
    }

    const TextFont& FontAt(uint32_t font) const { return list_.At(font); }

    // The glyph that shows, in this font, a character the font lacks: its
    // replacement character, or its question mark; as a last resort its
    // glyph 0 (drawn through a variant, whose glyph is one of our own).
    uint16_t StandIn(uint32_t font) const
    {
        const TextFont& text = list_.At(font);
        uint16_t glyph = text.Glyph(0xFFFD);
        return glyph != 0 ? glyph : text.Glyph(U'?');
    }

    // The font's glyph moved by the offset (thousandths of the font size),
    // or two of its glyphs each moved by its own, standing for `text`, as a
    // glyph of its own that the subset adds after the font's glyphs; nullopt
    // when the glyph ids are used up.
    std::optional<uint16_t> Variant(uint32_t font, const GlyphVariant& variant, const std::u32string& text)
    {
        FontUse& use = Use(font);
        auto key = std::make_tuple(variant.glyph, variant.xOffset, variant.yOffset, variant.second,
                                   variant.secondXOffset, variant.secondYOffset, text);
        if (auto found = use.variantIds.find(key); found != use.variantIds.end()) {
            return found->second;
        }
        std::optional<uint16_t> id = AddVariant(use, variant, text);
        if (id) {
            use.variantIds.emplace(key, *id);
        }
        return id;
    }

    // A glyph of the font that draws nothing and takes no room, standing for
    // `text`; nullopt when the glyph ids are used up.
    std::optional<uint16_t> Carrier(uint32_t font, const std::u32string& text)
    {
        FontUse& use = Use(font);
        if (auto found = use.carrierIds.find(text); found != use.carrierIds.end()) {
            return found->second;
        }
        GlyphVariant carrier;
        carrier.empty = true;
        std::optional<uint16_t> id = AddVariant(use, carrier, text);
        if (id) {
            use.carrierIds.emplace(text, *id);
            use.widths.emplace(*id, 0);
        }
        return id;
    }

    // Whether the font's glyph itself can stand for `text` in this use: it
    // stands for no other text yet, and the text is the glyph's own where
    // it is the first (`own`), so that a glyph keeps the text it is
    // drawn for elsewhere. Takes the text for the glyph when it has none.
    bool TakesText(uint32_t font, uint16_t glyph, const std::u32string& text, bool own)
    {
        if (text.empty()) {
            return true;
        }
        auto& glyphText = Use(font).glyphText;
        auto found = glyphText.find(glyph);
        if (found == glyphText.end() || found->second.empty()) {
            if (own) {
                glyphText[glyph] = text;
            }
            return own;
        }
        return found->second == text;
    }

    struct FontUse {
        const TextFont* font;
        std::map<uint16_t, std::u32string> glyphText;
        GlyphWidths widths;
        GlyphVariants variants;
        std::map<std::tuple<uint16_t, int, int, uint16_t, int, int, std::u32string>, uint16_t> variantIds;
        std::map<std::u32string, uint16_t> carrierIds;
    };
    // Each font of the list, as it has been used.
    const std::vector<FontUse>& Fonts()
    {
        if (list_.Count() > 0) {
            Use(static_cast<uint32_t>(list_.Count() - 1));
        }
        return fonts_;
    }

private:
    FontUse& Use(uint32_t font)
    {
        while (fonts_.size() <= font) {
            fonts_.push_back({&list_.At(static_cast<uint32_t>(fonts_.size())), {}, {}, {}, {}, {}});
        }
        return fonts_[font];
    }

    // The next glyph id after the font's glyphs and the variants so far, given
    // to `variant` standing for `text`; nullopt when the ids are used up.
    static std::optional<uint16_t> AddVariant(FontUse& use, const GlyphVariant& variant, const std::u32string& text)
    {
        size_t id = use.font->GlyphCount() + use.variants.size();
        if (id >= 0xFFFF) {
            return std::nullopt;
        }
        use.variants.push_back(variant);
        use.glyphText.emplace(static_cast<uint16_t>(id), text);
        return static_cast<uint16_t>(id);
    }

    Drawing Choose(char32_t character)
    {
        bool control = character < 0x20 || (character >= 0x7F && character < 0xA0);
        uint16_t glyph = control ? 0 : list_.At(0).Glyph(character);
        size_t font = 0;
        if (glyph == 0 && !control) {
            if (const TextFont* other = list_.Fallback(character)) {
                glyph = other->Glyph(character);
                if (glyph != 0) {
                    font = list_.IndexOf(other);
                }
            }
        }
        if (glyph == 0) {
            return Place(character, ReplacementGlyph(), 0, true);
        }
        return Place(character, glyph, font, false);
    }

    // The first font's replacement glyph. A font without U+FFFD and '?' gets
    // one of our own: a variant that draws its glyph 0's outline, for glyph
    // 0 itself is never drawn.
    uint16_t ReplacementGlyph()
    {
        if (replacementGlyph_ == 0) {
            replacementGlyph_ = AddVariant(Use(0), GlyphVariant{}, std::u32string(1, U'\uFFFD')).value_or(0);
        }
        return replacementGlyph_;
    }

    Drawing Place(char32_t character, uint16_t glyph, size_t font, bool replaced)
    {
        Drawing drawing;
        drawing.known = true;
        drawing.replaced = replaced;
        std::u32string text(1, character);
        if (replaced) {
            // Not = U"\uFFFD": GCC 12 warns falsely (-Wrestrict) on that assignment.
            text.assign(1, U'\uFFFD');
        }
        int cell = CharacterWidth(character) * CellUnits();
        FontUse& use = Use(static_cast<uint32_t>(font));
        // One glyph shows one text; a second character with the same glyph
        // (a compatibility twin) is extracted as the first.
        use.glyphText.try_emplace(glyph, std::move(text));
        drawing.font = static_cast<uint32_t>(font);
        drawing.glyph = glyph;
        drawing.adjustment = use.widths.try_emplace(glyph, cell).first->second - cell;
        drawing.cell = cell;
        for (char byte : {static_cast<char>(glyph >> 8), static_cast<char>(glyph & 0xFF)}) {
            if (byte == '(' || byte == ')' || byte == '\\' || byte == '\r' || byte == '\n') {
                drawing.code[drawing.codeLength++] = '\\';
                byte = byte == '\r' ? 'r' : byte == '\n' ? 'n' : byte;
            }
            drawing.code[drawing.codeLength++] = byte;
        }
        return drawing;
    }

    FontList& list_;
    std::vector<FontUse> fonts_; // by the font's place in the list
    std::vector<Drawing> bmp_;
    std::unordered_map<char32_t, Drawing> beyond_;
    std::unordered_map<uint64_t, Drawing> inFont_;
    uint16_t replacementGlyph_ = 0;
};

// The content stream of one page: one text object, the glyphs by their ids
// in two bytes (Identity-H), a line per ' (or T* where the line starts with
// a TJ), lines without text as T* alone.
class ContentWriter {
public:
    ContentWriter(GlyphChooser& chooser, LineShaper& shaper, const TextFrame& frame, size_t& replaced)
        : chooser_(chooser), shaper_(shaper), frame_(frame), replaced_(replaced)
    {
    }

    std::string Page(const Page& page)
    {
        out_.clear();
        font_ = NoFont;
        out_ += "BT\n" + PdfNumber(frame_.leading) + " TL\n" + PdfNumber(frame_.left) + " " +
                PdfNumber(frame_.firstBaseline) + " Td\n";
        size_t pendingLines = 0;
        for (const std::u32string& line : page) {
            size_t end = line.find_last_not_of(U' ');
            if (end == std::u32string::npos) {
                ++pendingLines;
                continue;
            }
            for (; pendingLines > 1; --pendingLines) {
                out_ += "T*\n";
            }
            newLine_ = pendingLines == 1;
            Line(line, end + 1);
            pendingLines = 1;
        }
        out_ += "ET\n";
        return out_;
    }

private:
    static constexpr uint32_t NoFont = UINT32_MAX;

    void Line(const std::u32string& line, size_t end)
    {
        std::u32string_view text(line.data(), end);
        penX_ = 0;
        if (LineShaper::IsPlain(text)) {
            // Most lines: every character on its cell, as written.
            DrawPlain(text);
        } else {
            LineInRuns(text);
        }
        // What is left of the line needs no move: the next one starts afresh.
        move_ = 0;
        Flush();
    }

    // The line as the text library shapes it: its runs ordered for display
    // and placed, each drawn where it is placed; a right-to-left paragraph
    // ends at the right margin.
    void LineInRuns(std::u32string_view text)
    {
        ShapedLine line = shaper_.Shape(text);
        int shift = line.paragraphLevel == 0 ? 0 : std::max(0, shaper_.FrameWidth() - line.width);
        for (size_t index : line.shown) {
            ShapedRun& run = line.runs[index];
            run.x += shift;
            if (run.shaped) {
                DrawShaped(text, run);
            } else {
                DrawGridItem(text, run);
            }
        }
    }

    // A run drawn on the grid, each character on its cell. Right to left,
    // the cells are taken from the right (a bracket drawn as its mirrored
    // twin, a mark on its base's cell), and the characters are drawn in the
    // order they are written, as a shaped run's glyphs are.
    void DrawGridItem(std::u32string_view text, const ShapedRun& item)
    {
        if (item.level % 2 == 0) {
            MoveTo(item.x);
            for (size_t i = item.start; i < item.end; ++i) {
                DrawOnGrid(text[i]);
            }
            return;
        }
        int right = item.x + item.width;
        for (size_t i = item.start; i < item.end; ++i) {
            int cell = CharacterWidth(text[i]) * chooser_.CellUnits();
            if (cell > 0) {
                right -= cell;
                MoveTo(right);
            } else {
                // A mark stays on the cell of the character before it.
                MoveTo(penX_ - (i > item.start ? CharacterWidth(text[i - 1]) * chooser_.CellUnits() : 0));
            }
            DrawOnGrid(MirroredCharacter(text[i]));
        }
        MoveTo(item.x + item.width);
    }

    // A shaped run: each glyph where the shaper put it, the characters of
    // each cluster carried by its glyphs for the ToUnicode map. A
    // left-to-right run also carries its characters as its /ActualText, so
    // that a reader copies and finds them in the order they are written
    // where the glyphs are in another (an Indic vowel drawn before its
    // consonant). A right-to-left run does not: the readers that honour
    // /ActualText take its text as laid out left to right and then turn the
    // line around, reversing every word; its glyphs, each standing for its
    // characters, are read right to left as drawn.
    void DrawShaped(std::u32string_view text, const ShapedRun& item)
    {
        bool actualText = item.level % 2 == 0;
        if (actualText) {
            BeginActualText(text.substr(item.start, item.end - item.start));
        }
        int end = 0;
        RunGlyphs run = GlyphTexts(text, item, end);
        AddCarriers(item, run);
        ChooseShownGlyphs(item, run);
        ShowGlyphs(item, run);
        if (rise_ != 0) {
            Flush();
            rise_ = 0;
            out_ += "0 Ts\n";
        }
        MoveTo(end);
        if (actualText) {
            EndActualText();
        }
    }

    // What DrawShaped decides for each glyph of a run, in drawn order.
    struct RunGlyphs {
        explicit RunGlyphs(size_t count)
            : xs(count), texts(count), ownTexts(count, true), grouped(count, false), shown(count, 0), carriers(count),
              rises(count), xOffsets(count)
        {
        }
        std::vector<int> xs;
        std::vector<std::u32string> texts;
        std::vector<bool> ownTexts;
        // A glyph drawn as a part of a later one, which stands for its text.
        std::vector<bool> grouped;
        std::vector<uint16_t> shown;
        std::vector<std::vector<uint16_t>> carriers;
        std::vector<int> rises;
        std::vector<int> xOffsets;
    };

    // Each glyph's place and the text it stands for, cluster by cluster;
    // `end`, where the run ends.
    RunGlyphs GlyphTexts(std::u32string_view text, const ShapedRun& item, int& end)
    {
        std::vector<uint32_t> starts;
        for (const ShapedGlyph& glyph : item.glyphs) {
            starts.push_back(glyph.cluster);
        }
        std::sort(starts.begin(), starts.end());
        starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
        const TextFont& font = chooser_.FontAt(item.font);
        const size_t count = item.glyphs.size();
        RunGlyphs run(count);
        int x = item.x;
        for (size_t first = 0; first < count;) {
            size_t last = first;
            while (last < count && item.glyphs[last].cluster == item.glyphs[first].cluster) {
                run.xs[last] = x + item.glyphs[last].xOffset;
                x += item.glyphs[last].advance;
                ++last;
            }
            uint32_t start = item.glyphs[first].cluster;
            auto next = std::upper_bound(starts.begin(), starts.end(), start);
            size_t clusterEnd = next == starts.end() ? item.end : *next;
            std::u32string_view written = text.substr(start, clusterEnd - start);
            std::vector<std::u32string> cluster = ClusterTexts(font, item.glyphs, first, last, written);
            if (item.level % 2 == 0) {
                std::vector<std::u32string> ordered = InWrittenOrder(cluster, written);
                for (size_t g = 0; g < ordered.size(); ++g) {
                    run.ownTexts[first + g] = ordered[g] == cluster[g];
                }
                cluster = std::move(ordered);
            }
            if (item.level % 2 == 0) {
                DrawAmAsOne(item, font, first, last, run.xs, cluster, run.ownTexts, run.grouped, run.shown);
            }
            // The glyphs of an AM's parts stand for the AM and a joiner
            // in this use only: elsewhere they draw the parts.
            for (size_t g = 0; g < cluster.size(); ++g) {
                const std::u32string& glyphText = cluster[g];
                if (glyphText.size() == 1 && (glyphText[0] == U'\u2060' || IsAm(glyphText[0])) &&
                    font.Glyph(glyphText[0]) != item.glyphs[first + g].glyph) {
                    run.ownTexts[first + g] = false;
                }
            }
            std::move(cluster.begin(), cluster.end(), run.texts.begin() + first);
            first = last;
        }
        end = x;
        return run;
    }

    // Left to right, a glyph that stands for several characters (a
    // conjunct, a consonant with its virama) keeps the first, and the
    // others follow it on glyphs that draw nothing: Ghostscript reads no
    // more than two characters of a glyph's text, and the second wrong.
    void AddCarriers(const ShapedRun& item, RunGlyphs& run)
    {
        for (size_t g = 0; g < run.texts.size() && item.level % 2 == 0; ++g) {
            if (item.glyphs[g].glyph == 0 || run.texts[g].size() < 2) {
                continue;
            }
            std::vector<uint16_t> ids;
            for (size_t c = 1; c < run.texts[g].size(); ++c) {
                if (std::optional<uint16_t> id = chooser_.Carrier(item.font, run.texts[g].substr(c, 1))) {
                    ids.push_back(*id);
                }
            }
            if (ids.size() + 1 == run.texts[g].size()) {
                run.texts[g].resize(1);
                run.carriers[g] = std::move(ids);
            }
        }
    }

    // A glyph the font moves up or down (a mark over another) is drawn
    // on the baseline as a variant that draws it moved: with a text
    // rise, in a string of its own, the readers that file strings by
    // their baselines (Ghostscript) read it as a line apart, and those
    // that order a line's strings by where each starts (PDFium) at the
    // line's start. Left to right, the variant draws the mark moved
    // sideways as well, so that it stands where the pen is, in one
    // string with the letters around it: a move before it would start a
    // string that Ghostscript orders by where it starts, after the
    // letters that follow (a Thai tone mark over a vowel mark). The rise
    // is the way left when no glyph id is free.
    void ChooseShownGlyphs(const ShapedRun& item, RunGlyphs& run)
    {
        for (size_t g = 0; g < item.glyphs.size(); ++g) {
            const ShapedGlyph& glyph = item.glyphs[g];
            run.xOffsets[g] = glyph.xOffset;
            if (run.shown[g] != 0 || run.grouped[g]) {
                continue; // a composite of the AM's parts, which draws each where the shaper put it
            }
            run.shown[g] = glyph.glyph;
            run.rises[g] = glyph.yOffset;
            if (glyph.glyph == 0) {
                // A character the font lacks: glyph 0 draws what the font
                // likes, or nothing, and an archive forbids it. It is shown
                // by a variant of the font's replacement glyph, standing for
                // the character.
                run.shown[g] = chooser_.Variant(item.font, GlyphVariant{chooser_.StandIn(item.font)}, run.texts[g]).value_or(0);
                continue;
            }
            if (glyph.yOffset != 0) {
                int sideways = item.level % 2 == 0 ? glyph.xOffset : 0;
                if (std::optional<uint16_t> variant =
                        chooser_.Variant(item.font, GlyphVariant{glyph.glyph, sideways, glyph.yOffset}, run.texts[g])) {
                    run.shown[g] = *variant;
                    run.rises[g] = 0;
                    run.xOffsets[g] -= sideways;
                    run.xs[g] -= sideways;
                }
            } else if (!chooser_.TakesText(item.font, glyph.glyph, run.texts[g], run.ownTexts[g])) {
                // A glyph has one text in the PDF: a use that needs another
                // (the pre-base part of a Khmer split vowel, which is the
                // glyph of the vowel drawn alone) draws it with a variant
                // that stands for this use's text.
                run.shown[g] =
                    chooser_.Variant(item.font, GlyphVariant{glyph.glyph}, run.texts[g]).value_or(glyph.glyph);
            }
        }
    }

    // Right to left, the glyphs are drawn in the order they are written,
    // the pen going leftwards: the readers that order a line by how its
    // text was drawn then read the words as written.
    void ShowGlyphs(const ShapedRun& item, RunGlyphs& run)
    {
        const size_t count = item.glyphs.size();
        for (size_t i = 0; i < count; ++i) {
            size_t g = item.level % 2 == 0 ? i : count - 1 - i;
            const ShapedGlyph& glyph = item.glyphs[g];
            if (run.grouped[g]) {
                continue;
            }
            if (glyph.glyph == 0) {
                ++replaced_;
            }
            SetFont(item.font);
            if (run.rises[g] != rise_) {
                Flush();
                rise_ = run.rises[g];
                out_ += PdfNumber(rise_ / 1000.0 * frame_.fontSize) + " Ts\n";
            }
            MoveTo(run.xs[g]);
            // A mark placed back over its letter (no advance, a leftward
            // offset) is given the width that brings the pen back to where
            // it was: a reader that sees the pen jump forward after a glyph
            // takes the gap for a blank between words.
            int advance = glyph.advance == 0 && run.xOffsets[g] < 0 ? -run.xOffsets[g] : glyph.advance;
            int width = chooser_.UseShaped(item.font, run.shown[g], std::move(run.texts[g]), advance);
            // A mark that lies a little right of where the next letter
            // starts (Thai marks, drawn leftwards from their origin) is shown
            // in one string with its letter, the gap between them made by
            // character spacing: a reader that orders a line's strings by
            // where each starts (Ghostscript) would otherwise read the mark
            // after the next letter.
            if (item.level % 2 == 0 && i + 1 < count && !run.grouped[g + 1] && run.carriers[g].empty() &&
                run.carriers[g + 1].empty() &&
                IsMarkRightOf(item.glyphs[g + 1].advance, run.xOffsets[g + 1], run.rises[g + 1], run.xs[g + 1],
                              run.xs[g] + width)) {
                int spacing = run.xs[g + 1] - run.xs[g] - width;
                int markWidth = chooser_.UseShaped(item.font, run.shown[g + 1], std::move(run.texts[g + 1]), 0);
                Flush();
                out_ += PdfNumber(spacing / 1000.0 * frame_.fontSize) + " Tc\n";
                Show(run.shown[g]);
                Show(run.shown[g + 1]);
                Flush();
                out_ += "0 Tc\n";
                penX_ += width + spacing + markWidth + spacing;
                ++i;
                continue;
            }
            Show(run.shown[g]);
            for (uint16_t carrier : run.carriers[g]) {
                Show(carrier);
            }
            penX_ += width;
        }
    }

    // A mark with no advance whose place is right of the pen after the
    // glyph before it, drawn on the same baseline (offset and rise as drawn).
    bool IsMarkRightOf(int advance, int xOffset, int rise, int x, int pen) const
    {
        return advance == 0 && xOffset > 0 && rise == rise_ && x > pen;
    }

    // Thai and Lao AM are shaped as their two parts, NIKHAHIT and AA, each
    // its own glyph: the cluster is matched to the glyphs with the AM as
    // its parts. Their glyphs do not stand for the parts (a reader that
    // reads glyphs would give ํา, which no search for the word finds) nor
    // for the AM (the same glyphs draw the parts where they are written as
    // two characters). The pair is drawn as one glyph that stands for the
    // AM (DrawAmAsOne): Ghostscript and MuPDF give a character for every
    // glyph, whatever its text (U+0000 or U+FFFD for an empty one), so the
    // NIKHAHIT must not be a glyph of its own. The cluster's texts give the
    // AA's use the AM and the NIKHAHIT's a WORD JOINER, which marks where the
    // NIKHAHIT stood; the joiner reaches the PDF only where no glyph id is
    // left for the pair, and pdf.js, at least, drops it.
    static bool IsAm(char32_t c) { return c == 0x0E33 || c == 0x0EB3; }

    // The AM's two parts: NIKHAHIT and AA.
    static std::pair<char32_t, char32_t> AmParts(char32_t am)
    {
        return am == 0x0E33 ? std::pair<char32_t, char32_t>{0x0E4D, 0x0E32} : std::pair<char32_t, char32_t>{0x0ECD, 0x0EB2};
    }

    // An AM of the cluster that the shaper drew as NIKHAHIT and AA (a tone
    // mark may lie between them) becomes one glyph where the AA stands: a
    // composite of the two, each at its place relative to the AA, standing
    // for the AM. The NIKHAHIT's glyph is then not drawn (`grouped`), and the
    // joiner it stood for leaves the cluster's texts, the glyphs after it in
    // drawn order carrying the same characters as before; `shown` takes the
    // composite for the AA. A font with a glyph of its own for the AM (Noto
    // Sans Lao) has no such pair. Nothing changes when no glyph id is free.
    void DrawAmAsOne(const ShapedRun& item, const TextFont& font, size_t first, size_t last, const std::vector<int>& xs,
                     std::vector<std::u32string>& cluster, std::vector<bool>& ownTexts, std::vector<bool>& grouped,
                     std::vector<uint16_t>& shown)
    {
        auto joiner = std::find(cluster.begin(), cluster.end(), U"\u2060");
        if (joiner == cluster.end()) {
            return;
        }
        const std::vector<ShapedGlyph>& glyphs = item.glyphs;
        for (char32_t am : {char32_t{0x0E33}, char32_t{0x0EB3}}) {
            auto [nikhahitPart, aaPart] = AmParts(am);
            uint16_t nikhahitGlyph = font.Glyph(nikhahitPart), aaGlyph = font.Glyph(aaPart);
            size_t nikhahit = first;
            while (nikhahit < last && (nikhahitGlyph == 0 || glyphs[nikhahit].glyph != nikhahitGlyph)) {
                ++nikhahit;
            }
            size_t aa = nikhahit + 1;
            while (aa < last && (aaGlyph == 0 || glyphs[aa].glyph != aaGlyph)) {
                ++aa;
            }
            if (aa >= last) {
                continue;
            }
            std::vector<std::u32string> texts = cluster;
            texts.erase(texts.begin() + (joiner - cluster.begin()));
            texts.insert(texts.begin() + (nikhahit - first), std::u32string());
            const std::u32string& text = texts[aa - first];
            GlyphVariant pair{nikhahitGlyph, xs[nikhahit] - xs[aa], glyphs[nikhahit].yOffset, false,
                              aaGlyph, 0, glyphs[aa].yOffset};
            std::optional<uint16_t> id = chooser_.Variant(item.font, pair, text);
            if (!id) {
                return;
            }
            shown[aa] = *id;
            grouped[nikhahit] = true;
            for (size_t g = 0; g < texts.size(); ++g) {
                // A glyph whose text moved (a tone mark drawn between the
                // NIKHAHIT and the AA) carries its own character or another.
                if (texts[g] != cluster[g]) {
                    ownTexts[first + g] = texts[g].size() == 1 && font.Glyph(texts[g][0]) == glyphs[first + g].glyph;
                }
            }
            cluster = std::move(texts);
            return;
        }
    }

    static std::u32string WithAmParts(std::u32string_view written)
    {
        std::u32string characters;
        for (char32_t c : written) {
            if (IsAm(c)) {
                characters += AmParts(c).first;
                characters += AmParts(c).second;
            } else {
                characters += c;
            }
        }
        return characters;
    }

    // What each character of WithAmParts stands for in the PDF: an AM's
    // NIKHAHIT for a WORD JOINER, its AA for the AM; the others for
    // themselves.
    static std::u32string AmPartTexts(std::u32string_view written)
    {
        std::u32string texts;
        for (char32_t c : written) {
            if (IsAm(c)) {
                texts += U'\u2060';
            }
            texts += c;
        }
        return texts;
    }

    // The text each glyph of a cluster stands for: a glyph that is the
    // font's own for one of the cluster's characters (or for the one
    // character of a ligature's pair) stands for it; the
    // characters left go to the first other glyph (a conjunct, a ligature, a
    // contextual form), else to the first glyph.
    static std::vector<std::u32string> ClusterTexts(const TextFont& font, const std::vector<ShapedGlyph>& glyphs,
                                                    size_t first, size_t last, std::u32string_view written)
    {
        std::u32string characters = WithAmParts(written);
        std::u32string standing = AmPartTexts(written);
        std::vector<std::u32string> texts(last - first);
        std::vector<bool> taken(characters.size(), false);
        size_t other = SIZE_MAX;
        for (size_t g = first; g < last; ++g) {
            bool nominal = false;
            for (size_t c = 0; c < characters.size() && !nominal; ++c) {
                if (!taken[c] && glyphs[g].glyph != 0 && font.Glyph(characters[c]) == glyphs[g].glyph) {
                    taken[c] = true;
                    texts[g - first] = std::u32string(1, standing[c]);
                    nominal = true;
                }
            }
            // An AM the font draws as one glyph, its own for the AM (Noto
            // Sans Lao's ຳ), stands for the AM.
            for (size_t c = 0; c + 1 < characters.size() && !nominal && glyphs[g].glyph != 0; ++c) {
                if (!taken[c] && !taken[c + 1] && standing[c] == U'\u2060' && IsAm(standing[c + 1]) &&
                    characters[c] != U'\u2060' && font.Glyph(standing[c + 1]) == glyphs[g].glyph) {
                    taken[c] = taken[c + 1] = true;
                    texts[g - first] = std::u32string(1, standing[c + 1]);
                    nominal = true;
                }
            }
            // A ligature that is the font's glyph for the one character
            // Unicode has for the pair (lam with alef) stands for it.
            for (size_t c = 0; c + 1 < characters.size() && !nominal && glyphs[g].glyph != 0; ++c) {
                if (taken[c] || taken[c + 1]) {
                    continue;
                }
                for (char32_t form : LigatureForms(characters[c], characters[c + 1])) {
                    if (!nominal && font.Glyph(form) == glyphs[g].glyph) {
                        taken[c] = taken[c + 1] = true;
                        texts[g - first] = std::u32string(1, form);
                        nominal = true;
                    }
                }
            }
            if (!nominal && other == SIZE_MAX) {
                other = g - first;
            }
        }
        std::u32string rest;
        for (size_t c = 0; c < characters.size(); ++c) {
            if (!taken[c]) {
                rest += standing[c];
            }
        }
        texts[other == SIZE_MAX ? 0 : other] += rest;
        for (std::u32string& glyphText : texts) {
            glyphText = OneCharacterForms(glyphText);
        }
        return texts;
    }

    // The texts of a cluster's glyphs, in the order they are drawn, made to
    // read as the cluster is written: where a glyph is drawn before the
    // characters written before it (an Indic vowel sign or a Khmer
    // subscript RO before its consonant), the readers that read glyphs
    // (MuPDF, pdf.js, Ghostscript) would give the word in drawn order. Each
    // glyph then carries the next written character (a two-part vowel as
    // its parts, an AM as a joiner and the AM), the last one the rest: the
    // first drawn stands for the consonant, and no glyph is left without
    // text while characters remain.
    // So is a cluster in written order that leaves a glyph without text
    // (Noto Sans Devanagari's placeholder mark): MuPDF reads such a glyph
    // as U+FFFD inside the word. Where the glyphs outnumber the characters
    // (a Khmer split vowel Unicode does not decompose, ើ: its pre-base part
    // and a mark over the consonant), each glyph past the last character
    // stands for that character again: MuPDF gives a character once where
    // the glyph that repeats it lies over the glyph before, and U+FFFD
    // where a glyph has no text.
    static std::vector<std::u32string> InWrittenOrder(const std::vector<std::u32string>& texts,
                                                      std::u32string_view written)
    {
        std::u32string drawn;
        bool textless = false;
        for (const std::u32string& glyphText : texts) {
            drawn += glyphText;
            textless = textless || glyphText.empty();
        }
        std::u32string wanted = OneCharacterForms(SplitVowelParts(AmPartTexts(written)));
        if (drawn == OneCharacterForms(AmPartTexts(written)) && !(textless && wanted.size() >= texts.size())) {
            return texts;
        }
        std::vector<std::u32string> ordered(texts.size());
        size_t next = 0;
        for (size_t g = 0; g < texts.size() && next < wanted.size(); ++g) {
            size_t length = g + 1 == texts.size() ? wanted.size() - next : 1;
            ordered[g] = wanted.substr(next, length);
            next += length;
        }
        for (size_t g = 1; g < ordered.size() && !wanted.empty(); ++g) {
            if (ordered[g].empty()) {
                ordered[g] = wanted.back();
            }
        }
        return ordered;
    }

    void BeginActualText(std::u32string_view text)
    {
        Flush();
        out_ += "/Span";
        out_ += PdfDictionary().Text(Pdf::ActualText, std::u32string(text)).Written();
        out_ += "BDC\n";
    }

    void EndActualText()
    {
        Flush();
        out_ += "EMC\n";
    }

    void MoveTo(int x)
    {
        Move(x - penX_);
        penX_ = x;
    }

    // Characters on their cells, left to right. Those drawn in the font in
    // force, needing no move, go straight into the run: every character of
    // most documents passes here.
    void DrawPlain(std::u32string_view text)
    {
        size_t i = 0;
        while (i < text.size()) {
            if (move_ == 0) {
                size_t used = run_.size();
                run_.resize(used + sizeof(Drawing::code) * (text.size() - i));
                char* out = run_.data() + used;
                for (; i < text.size(); ++i) {
                    const Drawing& drawing = chooser_.For(text[i]);
                    if (drawing.font != font_ || drawing.adjustment != 0 || drawing.replaced) {
                        break;
                    }
                    std::memcpy(out, drawing.code, sizeof(Drawing::code));
                    out += drawing.codeLength;
                    penX_ += drawing.cell;
                }
                run_.resize(static_cast<size_t>(out - run_.data()));
                if (i == text.size()) {
                    break;
                }
            }
            DrawOnGrid(text[i++]);
        }
    }

    void DrawOnGrid(char32_t character)
    {
        const Drawing& drawing = chooser_.For(character);
        Draw(drawing);
        penX_ += drawing.cell;
    }

    void Draw(const Drawing& drawing)
    {
        if (drawing.replaced) {
            ++replaced_;
        }
        SetFont(drawing.font);
        if (move_ != 0) {
            WriteMove();
        }
        run_.append(drawing.code, drawing.codeLength);
        Move(-drawing.adjustment);
    }

    void SetFont(uint32_t font)
    {
        if (font != font_) [[unlikely]] {
            Flush();
            font_ = font;
            out_ += '/';
            out_ += FontResourceName(font_);
            out_ += ' ';
            out_ += PdfNumber(frame_.fontSize);
            out_ += " Tf\n";
        }
    }

    // The code goes into the string escaped as it comes: a line's run is
    // then written as it is.
    void Show(uint16_t glyph)
    {
        if (move_ != 0) {
            WriteMove();
        }
        char code[2] = {static_cast<char>(glyph >> 8), static_cast<char>(glyph & 0xFF)};
        AppendEscapedPdfString(run_, std::string_view(code, 2));
    }

    // Moves the pen right by `units` thousandths of the font size before the
    // next glyph. A move waits for that glyph, in the same TJ: at a line's
    // start (a right-to-left line begins with one) no font is set yet, and
    // the font size scales the move.
    void Move(int units) { move_ += units; }

    void WriteMove()
    {
        if (move_ == 0) {
            return;
        }
        if (!run_.empty()) {
            array_ += '(';
            array_ += run_;
            array_ += ')';
            run_.clear();
        }
        array_ += std::to_string(-move_);
        move_ = 0;
    }

    void Flush()
    {
        if (!array_.empty()) {
            if (newLine_) {
                out_ += "T*\n";
            }
            out_ += '[';
            out_ += array_;
            if (!run_.empty()) {
                out_ += '(';
                out_ += run_;
                out_ += ')';
            }
            out_ += "]TJ\n";
        } else if (!run_.empty()) {
            out_ += '(';
            out_ += run_;
            out_ += newLine_ ? ")'\n" : ")Tj\n";
        } else {
            return;
        }
        newLine_ = false;
        array_.clear();
        run_.clear();
    }

    GlyphChooser& chooser_;
    LineShaper& shaper_;
    TextFrame frame_;
    size_t& replaced_;
    std::string out_;
    std::string run_; // the codes since the last adjustment, escaped
    std::string array_;
    int move_ = 0; // thousandths of the font size the pen moves right before the next glyph
    int penX_ = 0; // where the pen stands after the moves written and waiting, from the line's left
    int rise_ = 0; // the text rise in force, in thousandths of the font size
    uint32_t font_ = NoFont;
    bool newLine_ = false; // the next string shown starts the next line
};

// A page on its way to the file: its content stream, then compressed.
struct PendingPage {
    PdfRef page;
    PdfRef parent;
    PdfRef contents;
    std::string data;
};

// One thread kept for the whole document compresses the batches handed to
// it, one at a time, with one compressor: a thread and a compressor a
// batch cost more than a batch of text takes to compress, most of all
// under Wine. The compressor lives on the thread's stack, never in
// thread-local storage, whose destructors at a thread's end crashed there.
class PageCompressor {
public:
    PageCompressor() : worker_([this] { Work(); }) {}

    ~PageCompressor()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join(); // a failed conversion leaves no thread behind
    }

    PageCompressor(const PageCompressor&) = delete;
    PageCompressor& operator=(const PageCompressor&) = delete;

    // The pages must stay untouched until Wait returns.
    void Start(std::vector<PendingPage>& pages)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pages_ = &pages;
        }
        changed_.notify_all();
    }

    // Until the batch last started is compressed; throws what its
    // compression threw.
    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return pages_ == nullptr; });
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
    }

private:
    // Compression is half the work of a text: at libdeflate's level 4 it
    // takes a fifth less than at 6, and a text's pages come out 2% larger,
    // still smaller than those of the usual tools.
    static constexpr int Level = 4;

    void Work()
    {
        std::optional<FlateCodec::Compressor> compressor;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return pages_ != nullptr || stopping_; });
            if (pages_ == nullptr) {
                return;
            }
            lock.unlock();
            std::exception_ptr failure;
            try {
                if (!compressor) {
                    compressor.emplace(Level);
                }
                for (PendingPage& page : *pages_) {
                    page.data = compressor->Compress(page.data);
                }
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            failure_ = failure;
            pages_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<PendingPage>* pages_ = nullptr; // the batch being compressed
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread worker_; // last: it starts once the rest is made
};

} // namespace

struct TextPdfWriter::State {
    State(PaperSize paperSize, const PageGeometry& geometry, LineShaper& shaper, PdfFile::Sink sink)
        : paper(PaperOf(paperSize)), chooser(shaper.Fonts()), frame(FrameFor(paper, geometry, chooser.CellUnits())),
          file(5, PdfFile::Packing::ObjectStreams, std::move(sink)), content(chooser, shaper, frame, replaced)
    {
    }

    Paper paper;
    GlyphChooser chooser;
    TextFrame frame;
    size_t replaced = 0;
    // A page is two small objects; packed into object streams (PDF 1.5),
    // thousands of them take a tenth of the file less.
    PdfFile file;
    ContentWriter content;
    PdfRef catalog, pageTree, info, resources;
    DocumentInfo documentInfo; // for the metadata, written last
    size_t pages = 0;

    // The page tree: the first PagesPerNode pages right under its root,
    // each later run of as many under a node of its own, so that what is
    // held is the references of one node's pages, whatever the document.
    static constexpr size_t PagesPerNode = 4096;
    PdfArray rootKids;
    PdfRef node;
    PdfArray nodeKids;
    size_t nodePages = 0;

    // The node the next page goes under.
    PdfRef ParentOfNext(PdfRef page)
    {
        if (pages < PagesPerNode) {
            rootKids.Ref(page);
            return pageTree;
        }
        if (nodePages == 0) {
            node = file.Reserve();
        }
        nodeKids.Ref(page);
        if (++nodePages == PagesPerNode) {
            WriteNode();
        }
        return node;
    }

    void WriteNode()
    {
        if (nodePages == 0) {
            return;
        }
        file.Write(node, PdfDictionary()
                             .Name(Pdf::Type, Pdf::Pages)
                             .Ref(Pdf::Parent, pageTree)
                             .Array(Pdf::Kids, nodeKids)
                             .Integer(Pdf::Count, static_cast<long long>(nodePages)));
        rootKids.Ref(node);
        nodeKids = PdfArray();
        nodePages = 0;
    }

    // Pages are compressed a batch at a time on a second thread while the
    // next batch is laid out; each batch is written once compressed, so
    // that what is held is two batches of pages, whatever the document.
    static constexpr size_t BatchPages = 32;
    std::vector<PendingPage> batch;
    std::vector<PendingPage> compressing;
    bool started = false;
    PageCompressor compressor; // last: its thread ends before the batches go

    // Writes the batch that is being compressed, once it is.
    void WriteCompressed()
    {
        if (!started) {
            return;
        }
        started = false;
        compressor.Wait();
        WritePages(compressing);
    }

    void WritePages(std::vector<PendingPage>& pages)
    {
        for (PendingPage& page : pages) {
            file.Write(page.page,
                       PdfDictionary().Name(Pdf::Type, Pdf::Page).Ref(Pdf::Parent, page.parent).Ref(Pdf::Contents, page.contents));
            file.WriteStream(page.contents, PdfDictionary().Name(Pdf::Filter, Pdf::FlateDecode), page.data);
        }
        pages.clear();
    }

    void StartBatch()
    {
        WriteCompressed();
        compressing.swap(batch);
        compressor.Start(compressing);
        started = true;
    }
};

// The claim the fonts as used allow: none when a character was drawn as
// glyph 0 (which is no glyph of the text's, and may draw nothing), the
// claim of a file whose every piece of text is found when each glyph shown
// stands for characters, and the lesser one otherwise.
static Conformance TextConformance(const std::vector<GlyphChooser::FontUse>& uses)
{
    Conformance conformance = Conformance::Unicode;
    for (const GlyphChooser::FontUse& use : uses) {
        for (const auto& [glyph, width] : use.widths) {
            if (glyph == 0) {
                return Conformance::None;
            }
            auto text = use.glyphText.find(glyph);
            if (text == use.glyphText.end() || text->second.empty()) {
                conformance = Conformance::Basic;
            }
        }
    }
    return conformance;
}

TextPdfWriter::TextPdfWriter(PaperSize paper, const PageGeometry& geometry, LineShaper& shaper, const DocumentInfo& info,
                             PdfFile::Sink sink)
    : state_(std::make_unique<State>(paper, geometry, shaper, std::move(sink)))
{
    State& s = *state_;
    s.catalog = s.file.Reserve();
    s.pageTree = s.file.Reserve();
    s.info = s.file.Reserve();
    s.resources = s.file.Reserve();
    s.file.WriteInTheOpen(s.info, InfoDictionary(info));
    s.documentInfo = info;
}

TextPdfWriter::~TextPdfWriter() = default;

void TextPdfWriter::AddPage(const Page& page)
{
    State& s = *state_;
    PdfRef pageRef = s.file.Reserve(), contents = s.file.Reserve();
    PdfRef parent = s.ParentOfNext(pageRef);
    s.batch.push_back({pageRef, parent, contents, s.content.Page(page)});
    ++s.pages;
    if (s.batch.size() == State::BatchPages) {
        s.StartBatch();
    }
}

size_t TextPdfWriter::Pages() const
{
    return state_->pages;
}

size_t TextPdfWriter::ReplacedCharacters() const
{
    return state_->replaced;
}

std::string TextPdfWriter::Finish()
{
    State& s = *state_;
    if (s.pages == 0) {
        AddPage(Page());
    }
    s.StartBatch();
    s.WriteCompressed();
    s.WriteNode();
    // The media box and the resources are inherited by every page.
    s.file.Write(s.pageTree, PdfDictionary()
                                 .Name(Pdf::Type, Pdf::Pages)
                                 .Array(Pdf::Kids, s.rootKids)
                                 .Integer(Pdf::Count, static_cast<long long>(s.pages))
                                 .Array(Pdf::MediaBox, PdfArray().Integer(0).Integer(0).Real(s.paper.width).Real(s.paper.height))
                                 .Ref(Pdf::Resources, s.resources));
    PdfDictionary fonts;
    const auto& uses = s.chooser.Fonts();
    for (size_t i = 0; i < uses.size(); ++i) {
        if (!uses[i].glyphText.empty()) {
            fonts.ResourceRef(FontResourceName(i),
                              WriteFontPdf(s.file, uses[i].font->Subset(uses[i].glyphText, uses[i].widths, uses[i].variants), uses[i].glyphText,
                                           uses[i].widths));
        }
    }
    s.file.Write(s.resources, PdfDictionary().Dictionary(Pdf::Font, fonts));
    PdfDictionary catalog;
    catalog.Name(Pdf::Type, Pdf::Catalog).Ref(Pdf::Pages, s.pageTree);
    WriteArchivalParts(s.file, s.documentInfo, TextConformance(uses), catalog);
    s.file.Write(s.catalog, catalog);
    return s.file.Finish(s.catalog, s.info, s.documentInfo.standard != PdfStandard::Pdf);
}

TextPdf WriteTextPdf(const std::vector<Page>& pages, PaperSize paperSize, const PageGeometry& geometry,
                     const TextFont& font, const FallbackFontFinder& fallback, const DocumentInfo& info)
{
    FontList fonts(font, fallback);
    LineShaper shaper(fonts, geometry.columns);
    TextPdfWriter writer(paperSize, geometry, shaper, info);
    for (const Page& page : pages) {
        writer.AddPage(page);
    }
    TextPdf result;
    result.bytes = writer.Finish();
    result.replacedCharacters = writer.ReplacedCharacters();
    return result;
}

} // namespace Document
