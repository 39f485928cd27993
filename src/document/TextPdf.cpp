#include "TextPdf.h"

#include "CharacterWidth.h"
#include "GlyphCodes.h"
#include "PdfFile.h"

#include <algorithm>
#include <optional>
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

// How one character is drawn: in which font, with which glyph, and the
// shift (thousandths of the font size, as TJ counts it) that brings the pen
// back onto the grid after it.
struct Drawing {
    GlyphCode code;
    uint8_t font = 0;
    bool replaced = false;
    bool known = false;
    int shift = 0;
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

    struct FontUse {
        const TextFont* font;
        std::map<uint16_t, std::u32string> glyphs;
        GlyphCodes codes;
    };
    const std::vector<FontUse>& Fonts() const { return fonts_; }

private:
    Drawing Choose(char32_t character)
    {
        Drawing drawing;
        drawing.known = true;
        bool control = character < 0x20 || (character >= 0x7F && character < 0xA0);
        uint16_t glyph = control ? 0 : fonts_[0].font->Glyph(character);
        size_t font = 0;
        if (glyph == 0 && !control && fallback_) {
            if (const TextFont* other = fallback_(character)) {
                glyph = other->Glyph(character);
                font = IndexOf(other);
            }
        }
        std::u32string text(1, character);
        std::optional<GlyphCode> code;
        if (glyph != 0) {
            code = fonts_[font].codes.CodeFor(glyph);
        }
        if (!code) {
            font = 0;
            glyph = replacementGlyph_;
            code = fonts_[0].codes.CodeFor(glyph);
            // Not = U"\uFFFD": GCC 12 warns falsely (-Wrestrict) on that assignment.
            text.assign(1, U'\uFFFD');
            drawing.replaced = true;
        }
        drawing.code = code.value_or(GlyphCode{});
        drawing.font = static_cast<uint8_t>(font);
        drawing.shift = fonts_[font].font->Advance(glyph) - CharacterWidth(character) * cellUnits_;
        // One glyph shows one text; a second character with the same glyph
        // (a compatibility twin) is extracted as the first.
        fonts_[font].glyphs.emplace(glyph, std::move(text));
        return drawing;
    }

    size_t IndexOf(const TextFont* font)
    {
        for (size_t i = 0; i < fonts_.size(); ++i) {
            if (fonts_[i].font == font) {
                return i;
            }
        }
        // The font number is kept in a byte; past that, replacement.
        if (fonts_.size() == 255) {
            return 0;
        }
        fonts_.push_back({font, {}, {}});
        return fonts_.size() - 1;
    }

    FallbackFontFinder fallback_;
    std::vector<FontUse> fonts_;
    std::vector<Drawing> bmp_;
    std::unordered_map<char32_t, Drawing> beyond_;
    int cellUnits_ = 600;
    uint16_t replacementGlyph_ = 0;
};

// The content stream of one page: one text object, a line per T*, the
// glyphs by their codes (GlyphCodes).
class ContentWriter {
public:
    ContentWriter(GlyphChooser& chooser, const TextFrame& frame, size_t& replaced)
        : chooser_(chooser), frame_(frame), replaced_(replaced)
    {
    }

    std::string Page(const Page& page)
    {
        out_.clear();
        font_ = -1;
        out_ += "BT\n" + PdfNumber(frame_.leading) + " TL\n" + PdfNumber(frame_.left) + " " +
                PdfNumber(frame_.firstBaseline) + " Td\n";
        size_t pendingLines = 0;
        for (const std::u32string& line : page) {
            size_t end = line.find_last_not_of(U' ');
            if (end == std::u32string::npos) {
                ++pendingLines;
                continue;
            }
            for (; pendingLines > 0; --pendingLines) {
                out_ += "T*\n";
            }
            Line(line, end + 1);
            pendingLines = 1;
        }
        out_ += "ET\n";
        return out_;
    }

private:
    void Line(const std::u32string& line, size_t end)
    {
        for (size_t i = 0; i < end; ++i) {
            const Drawing& drawing = chooser_.For(line[i]);
            if (drawing.replaced) {
                ++replaced_;
            }
            if (drawing.font != font_) {
                Flush();
                font_ = drawing.font;
                out_ += "/F" + std::to_string(font_ + 1) + " " + PdfNumber(frame_.fontSize) + " Tf\n";
            }
            if (drawing.code.twoBytes) {
                AppendCodeByte(static_cast<char>(drawing.code.value >> 8));
            }
            AppendCodeByte(static_cast<char>(drawing.code.value & 0xFF));
            if (drawing.shift != 0) {
                array_ += '(';
                array_ += run_;
                array_ += ')';
                array_ += std::to_string(drawing.shift);
                run_.clear();
            }
        }
        Flush();
    }

    // EscapePdfString for one byte, without a string of its own: this runs
    // twice for every character of the document.
    void AppendCodeByte(char byte)
    {
        switch (byte) {
        case '(':
        case ')':
        case '\\':
            run_ += '\\';
            run_ += byte;
            break;
        case '\r':
            run_ += "\\r";
            break;
        case '\n':
            run_ += "\\n";
            break;
        default:
            run_ += byte;
        }
    }

    void Flush()
    {
        if (!array_.empty()) {
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
            out_ += ")Tj\n";
        }
        array_.clear();
        run_.clear();
    }

    GlyphChooser& chooser_;
    TextFrame frame_;
    size_t& replaced_;
    std::string out_;
    std::string run_;
    std::string array_;
    int font_ = -1;
};

// The font as the six objects of a CID-keyed font; returns the Type0 font.
PdfRef WriteFont(PdfFile& file, const PdfFontData& data, const GlyphCodes& codes,
                 const std::map<uint16_t, std::u32string>& glyphText, const std::string& codesName)
{
    PdfRef type0 = file.Reserve(), descendant = file.Reserve(), descriptor = file.Reserve(),
           fontFile = file.Reserve(), toUnicode = file.Reserve(), encoding = file.Reserve();
    std::string baseFont = "/" + data.baseFont;
    PdfDictionary identity;
    identity.Bytes(Pdf::Registry, "Adobe").Bytes(Pdf::Ordering, "Identity").Integer(Pdf::Supplement, 0);
    file.Write(type0, PdfDictionary()
                          .Name(Pdf::Type, Pdf::Font)
                          .Name(Pdf::Subtype, Pdf::Type0)
                          .Raw(Pdf::BaseFont, baseFont)
                          .Ref(Pdf::Encoding, encoding)
                          .Array(Pdf::DescendantFonts, PdfArray().Ref(descendant))
                          .Ref(Pdf::ToUnicode, toUnicode));
    file.Write(descendant, PdfDictionary()
                               .Name(Pdf::Type, Pdf::Font)
                               .Name(Pdf::Subtype, Pdf::CIDFontType2)
                               .Raw(Pdf::BaseFont, baseFont)
                               .Dictionary(Pdf::CIDSystemInfo, identity)
                               .Ref(Pdf::FontDescriptor, descriptor)
                               .Integer(Pdf::DW, data.defaultWidth)
                               .Raw(Pdf::W, data.widths.empty() ? "[]" : data.widths)
                               .Name(Pdf::CIDToGIDMap, Pdf::Identity));
    file.Write(descriptor, PdfDictionary()
                               .Name(Pdf::Type, Pdf::FontDescriptor)
                               .Raw(Pdf::FontName, baseFont)
                               .RawEntries(data.descriptorEntries)
                               .Ref(Pdf::FontFile2, fontFile));
    file.WriteCompressedStream(fontFile, PdfDictionary().Integer(Pdf::Length1, static_cast<long long>(data.fontFile2.size())),
                               data.fontFile2);
    // The font code's ToUnicode map is keyed by glyph id; these codes are not.
    file.WriteCompressedStream(toUnicode, PdfDictionary(), codes.ToUnicodeCMap(glyphText));
    file.WriteCompressedStream(encoding,
                               PdfDictionary()
                                   .Name(Pdf::Type, Pdf::CMap)
                                   .Raw(Pdf::CMapName, "/" + codesName)
                                   .Dictionary(Pdf::CIDSystemInfo, identity),
                               codes.EncodingCMap(codesName));
    return type0;
}

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

    // Embedded TrueType in a CIDFontType2 font needs PDF 1.3.
    PdfFile file(3);
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
    file.Write(infoRef, InfoDictionary(info));

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
        if (!uses[i].glyphs.empty()) {
            // Not "F" + string: GCC 12 warns falsely (-Wrestrict) on a literal put before a temporary.
            std::string name = std::string("F").append(std::to_string(i + 1));
            fonts.ResourceRef(name, WriteFont(file, uses[i].font->Subset(uses[i].glyphs), uses[i].codes, uses[i].glyphs,
                                              "Ardenfold-Codes-" + name));
        }
    }
    file.Write(resources, PdfDictionary().Dictionary(Pdf::Font, fonts));
    result.bytes = file.Finish(catalog, infoRef);
    return result;
}

} // namespace Document
