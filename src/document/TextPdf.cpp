#include "TextPdf.h"

#include "CharacterWidth.h"
#include "DisplayOrder.h"
#include "FontPdf.h"
#include "PdfFile.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace Document {
namespace {

constexpr double Margin = 36; // half an inch on every side, at least
constexpr double LargestFontSize = 10;

// Where the grid of `columns` by `lines` cells lies on the paper.
struct TextFrame {
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
    return {fontSize, leading, (paper.width - lineWidth) / 2, paper.height - Margin - 0.8 * fontSize};
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
    bool replaced = false;
    bool known = false;
};

class GlyphChooser {
public:
    GlyphChooser(const TextFont& font, const FallbackFontFinder& fallback)
        : fallback_(fallback), bmp_(0x10000)
    {
        fonts_.push_back({&font, {}, {}});
        cellUnits_ = font.Advance(font.Glyph(U' '));
        if (cellUnits_ <= 0) {
            cellUnits_ = 600;
        }
        replacementGlyph_ = font.Glyph(0xFFFD);
        if (replacementGlyph_ == 0) {
            replacementGlyph_ = font.Glyph(U'?');
        }
    }

    int CellUnits() const { return cellUnits_; }

    const Drawing& For(char32_t character)
    {
        Drawing& drawing = character < bmp_.size() ? bmp_[character] : beyond_[character];
        if (!drawing.known) {
            drawing = Choose(character);
        }
        return drawing;
    }

    // How the character is drawn in this font when the font has it: the
    // blanks and punctuation of a right-to-left run stay in its letters'
    // font, for a viewer takes a change of font for the end of a word.
    const Drawing& For(char32_t character, uint32_t font)
    {
        const Drawing& usual = For(character);
        if (usual.font == font || usual.replaced) {
            return usual;
        }
        uint64_t key = static_cast<uint64_t>(font) << 32 | character;
        auto found = inFont_.find(key);
        if (found == inFont_.end()) {
            uint16_t glyph = fonts_[font].font->Glyph(character);
            found = inFont_.emplace(key, glyph == 0 ? usual : Place(character, glyph, font, false)).first;
        }
        return found->second;
    }

    struct FontUse {
        const TextFont* font;
        std::map<uint16_t, std::u32string> glyphText;
        GlyphWidths widths;
    };
    const std::vector<FontUse>& Fonts() const { return fonts_; }

private:
    Drawing Choose(char32_t character)
    {
        bool control = character < 0x20 || (character >= 0x7F && character < 0xA0);
        uint16_t glyph = control ? 0 : fonts_[0].font->Glyph(character);
        size_t font = 0;
        if (glyph == 0 && !control && fallback_) {
            if (const TextFont* other = fallback_(character)) {
                glyph = other->Glyph(character);
                if (glyph != 0) {
                    font = IndexOf(other);
                }
            }
        }
        if (glyph == 0) {
            return Place(character, replacementGlyph_, 0, true);
        }
        return Place(character, glyph, font, false);
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
        int cell = CharacterWidth(character) * cellUnits_;
        FontUse& use = fonts_[font];
        // One glyph shows one text; a second character with the same glyph
        // (a compatibility twin) is extracted as the first.
        use.glyphText.emplace(glyph, std::move(text));
        drawing.font = static_cast<uint32_t>(font);
        drawing.glyph = glyph;
        drawing.adjustment = use.widths.emplace(glyph, cell).first->second - cell;
        return drawing;
    }

    // Every font the fallback gives has a place of its own, however many.
    size_t IndexOf(const TextFont* font)
    {
        for (size_t i = 0; i < fonts_.size(); ++i) {
            if (fonts_[i].font == font) {
                return i;
            }
        }
        fonts_.push_back({font, {}, {}});
        return fonts_.size() - 1;
    }

    FallbackFontFinder fallback_;
    std::vector<FontUse> fonts_;
    std::vector<Drawing> bmp_;
    std::unordered_map<char32_t, Drawing> beyond_;
    std::unordered_map<uint64_t, Drawing> inFont_;
    int cellUnits_ = 600;
    uint16_t replacementGlyph_ = 0;
};

// The content stream of one page: one text object, the glyphs by their ids
// in two bytes (Identity-H), a line per ' (or T* where the line starts with
// a TJ), lines without text as T* alone.
class ContentWriter {
public:
    ContentWriter(GlyphChooser& chooser, const TextFrame& frame, size_t& replaced)
        : chooser_(chooser), frame_(frame), replaced_(replaced)
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
        std::vector<DisplayCharacter> order = DisplayOrder({line.data(), end});
        if (order.empty()) {
            for (size_t i = 0; i < end; ++i) {
                Draw(line[i]);
            }
        } else {
            for (size_t i = 0; i < order.size();) {
                if (order[i].rightToLeft) {
                    i = DrawRightToLeft(line, order, i);
                } else {
                    Draw(line[order[i++].index]);
                }
            }
        }
        // What is left of the line needs no move: the next one starts afresh.
        move_ = 0;
        Flush();
    }

    // Draws the right-to-left run of the display order that begins at
    // `first`: each character on its cell, in the order it is written, so
    // that the pen goes leftwards through the run. Returns where the run ends.
    size_t DrawRightToLeft(const std::u32string& line, const std::vector<DisplayCharacter>& order, size_t first)
    {
        struct Placed {
            size_t index;
            int offset; // from the run's left edge, in thousandths of the font size
        };
        std::vector<Placed> placed;
        int width = 0;
        size_t end = first;
        for (; end < order.size() && order[end].rightToLeft; ++end) {
            placed.push_back({order[end].index, width});
            width += CharacterWidth(line[order[end].index]) * chooser_.CellUnits();
        }
        std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.index < b.index; });
        auto letter = std::find_if(placed.begin(), placed.end(),
                                   [&line](const Placed& character) { return IsRightToLeft(line[character.index]); });
        uint32_t font = chooser_.For(line[letter == placed.end() ? placed.front().index : letter->index]).font;
        int pen = 0;
        for (const Placed& character : placed) {
            Move(character.offset - pen);
            Draw(chooser_.For(line[character.index], font));
            pen = character.offset + CharacterWidth(line[character.index]) * chooser_.CellUnits();
        }
        Move(width - pen);
        return end;
    }

    void Draw(char32_t character) { Draw(chooser_.For(character)); }

    void Draw(const Drawing& drawing)
    {
        if (drawing.replaced) {
            ++replaced_;
        }
        if (drawing.font != font_) {
            Flush();
            font_ = drawing.font;
            out_ += '/';
            out_ += FontResourceName(font_);
            out_ += ' ';
            out_ += PdfNumber(frame_.fontSize);
            out_ += " Tf\n";
        }
        WriteMove();
        run_ += static_cast<char>(drawing.glyph >> 8);
        run_ += static_cast<char>(drawing.glyph & 0xFF);
        Move(-drawing.adjustment);
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
            AppendEscapedPdfString(array_, run_);
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
                AppendEscapedPdfString(out_, run_);
                out_ += ')';
            }
            out_ += "]TJ\n";
        } else if (!run_.empty()) {
            out_ += '(';
            AppendEscapedPdfString(out_, run_);
            out_ += newLine_ ? ")'\n" : ")Tj\n";
        } else {
            return;
        }
        newLine_ = false;
        array_.clear();
        run_.clear();
    }

    GlyphChooser& chooser_;
    TextFrame frame_;
    size_t& replaced_;
    std::string out_;
    std::string run_; // the codes since the last adjustment, not yet escaped
    std::string array_;
    int move_ = 0; // thousandths of the font size the pen moves right before the next glyph
    uint32_t font_ = NoFont;
    bool newLine_ = false; // the next string shown starts the next line
};

} // namespace

TextPdf WriteTextPdf(const std::vector<Page>& pages, PaperSize paperSize, const PageGeometry& geometry,
                     const TextFont& font, const FallbackFontFinder& fallback, const DocumentInfo& info)
{
    const std::vector<Page> onePage(1);
    const std::vector<Page>& written = pages.empty() ? onePage : pages;
    Paper paper = PaperOf(paperSize);
    GlyphChooser chooser(font, fallback);
    TextFrame frame = FrameFor(paper, geometry, chooser.CellUnits());
    TextPdf result;

    // A page is two small objects; packed into object streams (PDF 1.5),
    // thousands of them take a tenth of the file less.
    PdfFile file(5, PdfFile::Packing::ObjectStreams);
    PdfRef catalog = file.Reserve(), pageTree = file.Reserve(), infoRef = file.Reserve(),
           resources = file.Reserve();
    std::vector<PdfRef> pageRefs;
    PdfArray kids;
    for (size_t i = 0; i < written.size(); ++i) {
        pageRefs.push_back(file.Reserve());
        kids.Ref(pageRefs.back());
    }
    file.Write(catalog, PdfDictionary().Name(Pdf::Type, Pdf::Catalog).Ref(Pdf::Pages, pageTree));
    // The media box and the resources are inherited by every page.
    file.Write(pageTree, PdfDictionary()
                             .Name(Pdf::Type, Pdf::Pages)
                             .Array(Pdf::Kids, kids)
                             .Integer(Pdf::Count, static_cast<long long>(written.size()))
                             .Array(Pdf::MediaBox, PdfArray().Integer(0).Integer(0).Real(paper.width).Real(paper.height))
                             .Ref(Pdf::Resources, resources));
    file.WriteInTheOpen(infoRef, InfoDictionary(info));

    ContentWriter content(chooser, frame, result.replacedCharacters);
    for (size_t i = 0; i < written.size(); ++i) {
        PdfRef contents = file.Reserve();
        file.Write(pageRefs[i],
                   PdfDictionary().Name(Pdf::Type, Pdf::Page).Ref(Pdf::Parent, pageTree).Ref(Pdf::Contents, contents));
        file.WriteCompressedStream(contents, PdfDictionary(), content.Page(written[i]));
    }

    PdfDictionary fonts;
    const auto& uses = chooser.Fonts();
    for (size_t i = 0; i < uses.size(); ++i) {
        if (!uses[i].glyphText.empty()) {
            fonts.ResourceRef(FontResourceName(i),
                              WriteFontPdf(file, uses[i].font->Subset(uses[i].glyphText, uses[i].widths), uses[i].glyphText,
                                           uses[i].widths));
        }
    }
    file.Write(resources, PdfDictionary().Dictionary(Pdf::Font, fonts));
    result.bytes = file.Finish(catalog, infoRef);
    return result;
}

} // namespace Document
