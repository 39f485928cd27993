#include "PdfFile.h"
#include "PdfReading.h"
#include "TextPdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdlib>
#include <sstream>

namespace Document {
namespace {

using namespace std::string_literals;

// A font of the test's own: the characters it has and their glyph ids, one
// advance for all; it records the glyphs it is asked to subset.
class TableFont : public TextFont {
public:
    TableFont(std::map<char32_t, uint16_t> glyphs, int advance, std::string name)
        : glyphs_(std::move(glyphs)), advance_(advance), name_(std::move(name))
    {
    }
    uint16_t Glyph(char32_t codePoint) const override
    {
        auto found = glyphs_.find(codePoint);
        return found == glyphs_.end() ? 0 : found->second;
    }
    int Advance(uint16_t) const override { return advance_; }
    FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>& used, const GlyphWidths& widths,
                           const GlyphVariants& variants) const override
    {
        subsets.push_back(used);
        subsetWidths.push_back(widths);
        subsetVariants.push_back(variants);
        FontSubsetFacts data;
        data.name = "AAAAAA+" + name_;
        data.file = "glyph outlines of " + name_;
        FontMetrics& m = data.metrics;
        m.unitsPerEm = 2000;
        m.ascent = 1520, m.descent = -480, m.capHeight = 1458;
        m.xMin = -100, m.yMin = -500, m.xMax = 1300, m.yMax = 1600;
        m.fixedPitch = true;
        return data;
    }
    mutable std::vector<std::map<uint16_t, std::u32string>> subsets;
    mutable std::vector<GlyphWidths> subsetWidths;
    mutable std::vector<GlyphVariants> subsetVariants;

private:
    std::map<char32_t, uint16_t> glyphs_;
    int advance_;
    std::string name_;
};

TableFont MainFont()
{
    return TableFont({{U' ', 3}, {U'H', 0x48}, {U'i', 0x69}, {U'(', 0x28}, {U'\u0301', 0x0D0A}, {0xFFFD, 1}}, 600,
                     "Mono");
}

// An operand that must be a number; 0 and a test failure when it is none.
double Number(const std::string& token)
{
    std::istringstream in(token);
    double value = 0;
    if (!(in >> value) || in.peek() != EOF) {
        ADD_FAILURE() << "not a number: " << token;
        return 0;
    }
    return value;
}

// A glyph where a reader draws it.
struct DrawnGlyph {
    std::string font; // its font's /BaseFont, without the slash
    uint16_t glyph = 0;
    double x = 0;
    double y = 0;
};

// A Type0 font as a reader takes it: its name, each glyph's width from the
// descendant's /W (else /DW), and the text of each glyph from /ToUnicode.
struct ReadFont {
    std::string name;
    std::map<uint16_t, double> widths;
    double defaultWidth = 1000;
    std::map<uint16_t, std::u32string> text;

    double Width(uint16_t glyph) const
    {
        auto found = widths.find(glyph);
        return found == widths.end() ? defaultWidth : found->second;
    }
};

// /W: "c [w1 w2 ...]" gives consecutive glyphs from c, "c1 c2 w" a range.
std::map<uint16_t, double> ReadWidths(const std::string& w)
{
    std::map<uint16_t, double> widths;
    for (size_t at = w.find('[') + 1; at < w.size();) {
        while (at < w.size() && w[at] == ' ') {
            ++at;
        }
        if (at >= w.size() || w[at] == ']') {
            break;
        }
        size_t used = 0;
        const long first = std::stol(w.substr(at), &used);
        at += used;
        while (w[at] == ' ') {
            ++at;
        }
        if (w[at] == '[') {
            const size_t close = w.find(']', at);
            const std::vector<double> list = NumbersIn(w.substr(at, close - at + 1));
            for (size_t i = 0; i < list.size(); ++i) {
                widths[static_cast<uint16_t>(first + i)] = list[i];
            }
            at = close + 1;
        } else {
            std::istringstream rest(w.substr(at));
            long last = 0;
            double width = 0;
            rest >> last >> width;
            for (long glyph = first; glyph <= last; ++glyph) {
                widths[static_cast<uint16_t>(glyph)] = width;
            }
            at = rest.tellg() < 0 ? w.size() : at + static_cast<size_t>(rest.tellg());
        }
    }
    return widths;
}

ReadFont ReadType0Font(const std::map<int, PdfObjectText>& objects, const std::string& type0)
{
    ReadFont font;
    EXPECT_EQ(DictionaryValue(type0, "/Subtype"), "/Type0");
    EXPECT_EQ(DictionaryValue(type0, "/Encoding"), "/Identity-H") << "each glyph by its id in two bytes";
    font.name = DictionaryValue(type0, "/BaseFont").substr(1);
    std::string descendants = DictionaryValue(type0, "/DescendantFonts");
    const std::string cid = Referenced(objects, descendants.substr(1, descendants.size() - 2)).dictionary;
    EXPECT_EQ(DictionaryValue(cid, "/Subtype"), "/CIDFontType2");
    EXPECT_EQ(DictionaryValue(cid, "/CIDToGIDMap"), "/Identity");
    if (const std::string dw = DictionaryValue(cid, "/DW"); !dw.empty()) {
        font.defaultWidth = Number(dw);
    }
    font.widths = ReadWidths(ResolvedValue(objects, cid, "/W"));
    font.text = ReadToUnicodeMap(Referenced(objects, DictionaryValue(type0, "/ToUnicode")).stream);
    return font;
}

struct ReadPage {
    std::vector<double> mediaBox;
    std::vector<DrawnGlyph> glyphs;
};

struct ReadText {
    std::vector<ReadPage> pages;
    std::map<std::string, ReadFont> fonts; // by name
};

// Every page's glyphs where a reader draws them: the text operators of the
// content followed (Tf, TL, Td, T*, ', Tj, TJ, Tc, Ts), each glyph
// advancing by its width in its font.
ReadText ReadTextPdf(const std::string& pdf)
{
    ReadText read;
    const std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf);
    for (const PdfObjectText& page : PageObjects(objects)) {
        ReadPage& out = read.pages.emplace_back();
        out.mediaBox = NumbersIn(PageValue(objects, page, "/MediaBox"));
        const std::string fonts = ResolvedValue(objects, PageValue(objects, page, "/Resources"), "/Font");
        const ReadFont* font = nullptr;
        double size = 0, leading = 0, spacing = 0, rise = 0, x = 0, y = 0, lineX = 0, lineY = 0;
        const auto show = [&](const std::string& codes) {
            ASSERT_NE(font, nullptr) << "text before any font";
            EXPECT_EQ(codes.size() % 2, 0u);
            for (size_t i = 0; i + 1 < codes.size(); i += 2) {
                const auto glyph = static_cast<uint16_t>(static_cast<unsigned char>(codes[i]) << 8 | static_cast<unsigned char>(codes[i + 1]));
                out.glyphs.push_back({font->name, glyph, x, y + rise});
                x += font->Width(glyph) / 1000 * size + spacing;
            }
        };
        const auto nextLine = [&] {
            lineY -= leading;
            x = lineX;
            y = lineY;
        };
        for (const PdfOperation& operation : ReadContentStream(Referenced(objects, DictionaryValue(page.dictionary, "/Contents")).stream)) {
            const std::vector<std::string>& operands = operation.operands;
            const std::string& op = operation.op;
            if (op == "BT") {
                x = y = lineX = lineY = 0;
            } else if (op == "Tf") {
                const std::string type0 = Referenced(objects, DictionaryValue(fonts, operands.at(0))).dictionary;
                ReadFont read0 = ReadType0Font(objects, type0);
                font = &read.fonts.emplace(read0.name, read0).first->second;
                size = Number(operands.at(1));
            } else if (op == "TL") {
                leading = Number(operands.at(0));
            } else if (op == "Tc") {
                spacing = Number(operands.at(0));
            } else if (op == "Ts") {
                rise = Number(operands.at(0));
            } else if (op == "Td") {
                lineX += Number(operands.at(0));
                lineY += Number(operands.at(1));
                x = lineX;
                y = lineY;
            } else if (op == "T*") {
                nextLine();
            } else if (op == "Tj" || op == "'") {
                if (op == "'") {
                    nextLine();
                }
                show(LiteralStringBytes(operands.at(0)));
            } else if (op == "TJ") {
                const std::string& array = operands.at(0);
                // The array's elements, read as the operands of an operator.
                std::string elements = array.substr(1, array.size() - 2);
                elements += " TJ";
                const std::vector<PdfOperation> asOperation = ReadContentStream(elements);
                for (const std::string& element : asOperation.at(0).operands) {
                    if (element[0] == '(') {
                        show(LiteralStringBytes(element));
                    } else {
                        x -= Number(element) / 1000 * size;
                    }
                }
            }
        }
    }
    return read;
}

// The grid of a paper: where its first character stands, the distance of
// its lines, and the cell of a 10-point character of 600 thousandths.
struct Grid {
    double left;
    double firstBaseline;
    double leading;
    double cell = 6;
};
constexpr Grid A4Grid{57.64, 797.89, 11.66};

// A glyph expected in a font at a cell of the grid.
struct Placed {
    const char* font;
    uint16_t glyph;
    int column;
    int line;
};

void ExpectPlaced(const std::vector<DrawnGlyph>& drawn, const std::vector<Placed>& expected, const Grid& grid)
{
    ASSERT_EQ(drawn.size(), expected.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].font, expected[i].font) << "glyph " << i;
        EXPECT_EQ(drawn[i].glyph, expected[i].glyph) << "glyph " << i;
        EXPECT_NEAR(drawn[i].x, grid.left + grid.cell * expected[i].column, 0.01) << "glyph " << i;
        EXPECT_NEAR(drawn[i].y, grid.firstBaseline - grid.leading * expected[i].line, 0.01) << "glyph " << i;
    }
}

TEST(TextPdf, EveryCharacterOnItsGridPlaceInTheRightFont)
{
    TableFont main = MainFont();
    TableFont wide({{U'\u4E2D', 5}}, 1000, "Wide");
    size_t asked = 0;
    FallbackFontFinder fallback = [&](char32_t c) -> const TextFont* {
        ++asked;
        return c == U'\u4E2D' ? &wide : nullptr;
    };
    DocumentInfo info{U"R\u00E9sum\u00E9.txt", PdfDate(2026, 12, 7, 9, 5, 3)};
    std::vector<Page> pages = {{U"Hi \u4E2D\u0001(i\u0301  ", U"", U"", U"i"}, {}, {U"\U0001F600\u4E2D"}};
    TextPdf pdf = WriteTextPdf(pages, PaperSize::A4, PageGeometry(), main, fallback, info);

    EXPECT_EQ(pdf.bytes.compare(0, 9, "%PDF-1.5\n"), 0);
    EXPECT_EQ(pdf.replacedCharacters, 2u) << "the control character and the emoji";
    EXPECT_EQ(asked, 2u) << "asked once for each character the main font lacks, not for a control character";

    const ReadText read = ReadTextPdf(pdf.bytes);
    ASSERT_EQ(read.pages.size(), 3u);
    for (const ReadPage& page : read.pages) {
        EXPECT_EQ(page.mediaBox, (std::vector<double>{0, 0, 595.28, 841.89}));
    }
    // Each glyph on its cell, whatever its own advance: the wide character
    // takes two, the mark none; trailing blanks are not drawn. A wide
    // character no font has takes its two cells too, the replacement glyph
    // drawn in the first.
    const char* mono = "AAAAAA+Mono";
    const char* wideName = "AAAAAA+Wide";
    ExpectPlaced(read.pages[0].glyphs,
                 {{mono, 0x48, 0, 0}, {mono, 0x69, 1, 0}, {mono, 3, 2, 0}, {wideName, 5, 3, 0}, {mono, 1, 5, 0},
                  {mono, 0x28, 6, 0}, {mono, 0x69, 7, 0}, {mono, 0x0D0A, 8, 0}, {mono, 0x69, 0, 3}},
                 A4Grid);
    EXPECT_TRUE(read.pages[1].glyphs.empty());
    ExpectPlaced(read.pages[2].glyphs, {{mono, 1, 0, 0}, {wideName, 5, 2, 0}}, A4Grid);

    // Each font subset once, with the glyphs it drew, each as wide as its
    // cells, in the PDF and in the font file; the ToUnicode map gives their text back.
    const std::map<uint16_t, std::u32string> monoText{
        {1, U"\uFFFD"}, {3, U" "}, {0x28, U"("}, {0x48, U"H"}, {0x69, U"i"}, {0x0D0A, U"\u0301"}};
    ASSERT_EQ(main.subsets.size(), 1u);
    EXPECT_EQ(main.subsets[0], monoText);
    ASSERT_EQ(wide.subsets.size(), 1u);
    EXPECT_EQ(wide.subsets[0], (std::map<uint16_t, std::u32string>{{5, U"\u4E2D"}}));
    const GlyphWidths monoWidths{{1, 600}, {3, 600}, {0x28, 600}, {0x48, 600}, {0x69, 600}, {0x0D0A, 0}};
    EXPECT_EQ(main.subsetWidths[0], monoWidths) << "the font file's advances are the cells too";
    EXPECT_EQ(wide.subsetWidths[0], (GlyphWidths{{5, 1200}}));
    ASSERT_EQ(read.fonts.size(), 2u);
    const ReadFont& monoFont = read.fonts.at(mono);
    EXPECT_EQ(monoFont.text, monoText);
    for (const auto& [glyph, width] : monoWidths) {
        EXPECT_EQ(monoFont.Width(glyph), width) << "glyph " << glyph;
    }
    EXPECT_EQ(read.fonts.at(wideName).text, (std::map<uint16_t, std::u32string>{{5, U"\u4E2D"}}));
    EXPECT_EQ(read.fonts.at(wideName).Width(5), 1200) << "the wide glyph is as wide as its two cells";

    // The descriptor states the font's metrics in thousandths of the em
    // (the font's 2000 units to the em halved), and holds the font file.
    const std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf.bytes);
    std::vector<PdfObjectText> descriptors = ObjectsWith(objects, "/Type /FontDescriptor");
    ASSERT_EQ(descriptors.size(), 2u);
    for (const PdfObjectText& descriptor : descriptors) {
        const std::string name = DictionaryValue(descriptor.dictionary, "/FontName");
        SCOPED_TRACE(name);
        const std::pair<const char*, const char*> entries[] = {
            {"/Flags", "5"},        {"/FontBBox", "[-50 -250 650 800]"}, {"/ItalicAngle", "0"}, {"/Ascent", "760"},
            {"/Descent", "-240"},   {"/CapHeight", "729"},               {"/StemV", "88"},
        };
        for (const auto& [key, value] : entries) {
            EXPECT_EQ(DictionaryValue(descriptor.dictionary, key), value) << key;
        }
        const PdfObjectText& file = Referenced(objects, DictionaryValue(descriptor.dictionary, "/FontFile2"));
        EXPECT_EQ(file.stream, "glyph outlines of " + name.substr(8));
        EXPECT_EQ(DictionaryValue(file.dictionary, "/Length1"), "22");
    }

    // The information, in the open where a reader that skips object streams finds it.
    const size_t infoAt = pdf.bytes.rfind("/Info ");
    ASSERT_NE(infoAt, std::string::npos);
    const int infoNumber = std::atoi(pdf.bytes.c_str() + infoAt + 6);
    std::string opening = "\n";
    opening.append(std::to_string(infoNumber)).append(" 0 obj\n<<");
    EXPECT_NE(pdf.bytes.find(opening), std::string::npos)
        << "the information stands in the open";
    // Its entries are DocumentInfo's (DocumentInfoTests reads them back):
    // here, that it is the document's.
    EXPECT_EQ(LiteralStringBytes(DictionaryValue(objects.at(infoNumber).dictionary, "/CreationDate")), info.creationDate);
}

// A full page of 80 x 66 characters on each paper: the grid centred across
// it, and every line within the margins of half an inch.
TEST(TextPdf, PaperAndGridFollowTheLocaleAndAnEmptyDocumentHasOnePage)
{
    TableFont main = MainFont();
    const struct {
        PaperSize paper;
        double width, height;
        Grid grid;
    } cases[] = {
        {PaperSize::A4, 595.28, 841.89, A4Grid},
        {PaperSize::Letter, 612, 792, {66, 748, 10.91}},
    };
    const Page full(66, std::u32string(80, U'H'));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Grid& grid = cases[i].grid;
        const ReadText empty = ReadTextPdf(WriteTextPdf({}, cases[i].paper, PageGeometry(), main, nullptr, {}).bytes);
        ASSERT_EQ(empty.pages.size(), 1u);
        EXPECT_EQ(empty.pages[0].mediaBox, (std::vector<double>{0, 0, cases[i].width, cases[i].height}));
        EXPECT_TRUE(empty.pages[0].glyphs.empty());
        EXPECT_TRUE(empty.fonts.empty()) << "no font for no text";

        const ReadText read = ReadTextPdf(WriteTextPdf({full}, cases[i].paper, PageGeometry(), main, nullptr, {}).bytes);
        ASSERT_EQ(read.pages.size(), 1u);
        const std::vector<DrawnGlyph>& glyphs = read.pages[0].glyphs;
        ASSERT_EQ(glyphs.size(), 80u * 66u);
        for (size_t g = 0; g < glyphs.size(); g += 79) {
            EXPECT_NEAR(glyphs[g].x, grid.left + grid.cell * (g % 80), 0.01) << "glyph " << g;
            EXPECT_NEAR(glyphs[g].y, grid.firstBaseline - grid.leading * (g / 80), 0.01) << "glyph " << g;
        }
        EXPECT_NEAR(glyphs.front().x, cases[i].width - (glyphs.back().x + grid.cell), 0.01) << "centred";
        EXPECT_LE(glyphs.front().y + 8, cases[i].height - 36) << "the first line's ascent (0.8 em) within the margin";
        EXPECT_GE(glyphs.back().y - 2, 36) << "the last line's descent (0.2 em) within the margin";
    }
}

// Every printable ASCII character, and glyph ids whose bytes are the
// escaped ones (( ) \ CR LF), come back through their codes.
TEST(TextPdf, EveryCharacterComesBackThroughItsGlyphId)
{
    std::map<char32_t, uint16_t> glyphs;
    std::u32string line;
    for (char32_t c = U'!'; c <= U'~'; ++c) {
        glyphs[c] = static_cast<uint16_t>(c);
        line += c;
    }
    for (char32_t c = 0x100; c < 0x140; ++c) {
        glyphs[c] = static_cast<uint16_t>(c);
        line += c;
    }
    glyphs[0x2800] = 0x2829; // both bytes escaped
    line += U'\u2800';
    TableFont font(glyphs, 600, "Mixed");
    TextPdf pdf = WriteTextPdf({{line}}, PaperSize::A4, PageGeometry{200, 66, 8}, font, nullptr, {});
    const ReadText read = ReadTextPdf(pdf.bytes);
    ASSERT_EQ(read.pages.size(), 1u);
    std::u32string back;
    for (const DrawnGlyph& drawn : read.pages[0].glyphs) {
        auto found = std::find_if(glyphs.begin(), glyphs.end(), [&](const auto& entry) { return entry.second == drawn.glyph; });
        back += found == glyphs.end() ? U'?' : found->first;
    }
    EXPECT_EQ(back, line);
}

// A font of 20 glyphs that shapes Devanagari as such fonts do: the short i
// drawn before its consonant, the candrabindu raised and moved left, ka,
// virama and ssa as one conjunct.
class ShapingFont : public TableFont {
public:
    static constexpr uint16_t Ka = 10, ShortI = 11, Candrabindu = 12, KaSsa = 13;
    ShapingFont()
        : TableFont({{U' ', 3}, {U'\u0915', Ka}, {U'\u093F', ShortI}, {U'\u0901', Candrabindu}, {U'\u094D', 14}, {U'\u0937', 15}},
                    600, "Deva")
    {
    }
    size_t GlyphCount() const override { return 20; }
    std::vector<ShapedGlyph> Shape(std::u32string_view text, size_t start, size_t length, bool) const override
    {
        std::vector<ShapedGlyph> glyphs;
        for (size_t i = start; i < start + length; ++i) {
            const auto cluster = static_cast<uint32_t>(i);
            if (text.substr(i, 3) == U"\u0915\u094D\u0937") {
                glyphs.push_back(ShapedGlyph{KaSsa, cluster, 600, 0, 0});
                i += 2;
            } else if (text[i] == U'\u093F' && !glyphs.empty() && glyphs.back().glyph == Ka) {
                glyphs.insert(glyphs.end() - 1, ShapedGlyph{ShortI, glyphs.back().cluster, 300, 0, 0});
            } else if (text[i] == U'\u0901' && !glyphs.empty()) {
                glyphs.push_back(ShapedGlyph{Candrabindu, glyphs.back().cluster, 0, -200, 150});
            } else {
                glyphs.push_back(ShapedGlyph{Glyph(text[i]), cluster, 600, 0, 0});
            }
        }
        return glyphs;
    }
};

// A glyph has one text in the PDF, and the readers that read glyphs read a
// word in the order its glyphs are drawn: the short i drawn before its
// consonant stands for the consonant, the consonant for the short i, each
// by a variant of its own, while the short i drawn alone keeps its text; a
// raised mark is drawn on the baseline by a variant that draws it moved; a
// conjunct stands for its first character, glyphs that draw nothing where
// the pen stands after it for the others (a reader may take no more than
// one character of a glyph).
TEST(TextPdf, ShapedGlyphsReadAsWrittenEachUseWithItsOwnText)
{
    ShapingFont font;
    const std::u32string line = U"\u093F \u0915\u093F \u0915\u0901 \u0915\u094D\u0937";
    TextPdf pdf = WriteTextPdf({{line}}, PaperSize::A4, PageGeometry(), font, nullptr, {});
    const ReadText read = ReadTextPdf(pdf.bytes);
    ASSERT_EQ(read.pages.size(), 1u);
    const std::vector<DrawnGlyph>& drawn = read.pages[0].glyphs;
    ASSERT_EQ(drawn.size(), 11u);
    const ReadFont& readFont = read.fonts.at("AAAAAA+Deva");
    std::u32string back;
    for (const DrawnGlyph& glyph : drawn) {
        auto text = readFont.text.find(glyph.glyph);
        back += text == readFont.text.end() ? U"?" : text->second;
        EXPECT_LE(text == readFont.text.end() ? 0 : text->second.size(), 1u) << "glyph " << glyph.glyph;
    }
    EXPECT_EQ(back, line) << "every word as written, read glyph by glyph";
    ASSERT_EQ(font.subsetVariants.size(), 1u);
    const GlyphVariants& variants = font.subsetVariants[0];
    auto original = [&](uint16_t glyph) {
        EXPECT_GE(glyph, 20) << "a variant, after the font's glyphs";
        return glyph >= 20 && glyph - 20u < variants.size() ? variants[glyph - 20].glyph : uint16_t{0};
    };
    EXPECT_EQ(drawn[0].glyph, ShapingFont::ShortI) << "alone, the short i stands for itself";
    EXPECT_EQ(original(drawn[2].glyph), ShapingFont::ShortI) << "drawn first, standing for the consonant";
    EXPECT_EQ(original(drawn[3].glyph), ShapingFont::Ka);
    EXPECT_EQ(drawn[5].glyph, ShapingFont::Ka);
    ASSERT_EQ(original(drawn[6].glyph), ShapingFont::Candrabindu);
    const GlyphVariant& mark = variants[drawn[6].glyph - 20];
    EXPECT_EQ(mark.xOffset, -200);
    EXPECT_EQ(mark.yOffset, 150);
    EXPECT_NEAR(drawn[6].y, drawn[5].y, 0.001) << "on the baseline, no text rise";
    EXPECT_NEAR(drawn[6].x, drawn[5].x + 6, 0.01) << "where the pen stands after its letter";
    EXPECT_EQ(drawn[8].glyph, ShapingFont::KaSsa);
    for (size_t g : {9, 10}) {
        ASSERT_GE(drawn[g].glyph, 20);
        EXPECT_TRUE(variants.at(drawn[g].glyph - 20).empty) << "glyph " << g << " draws nothing";
        EXPECT_NEAR(drawn[g].x, drawn[8].x + 6, 0.01) << "glyph " << g << " takes no room";
    }
}

// A character no font has is never drawn as glyph 0, which draws what the
// font likes or nothing, even in a font without U+FFFD and '?': a variant of
// our own stands in, standing for U+FFFD.
TEST(TextPdf, ACharacterNoFontHasIsNoGlyphZero)
{
    ShapingFont font;
    const std::u32string line = U"\u0915\u0940\u0915";
    TextPdf pdf = WriteTextPdf({{line}}, PaperSize::A4, PageGeometry(), font, nullptr, {});
    const ReadText read = ReadTextPdf(pdf.bytes);
    ASSERT_EQ(read.pages.size(), 1u);
    const ReadFont& readFont = read.fonts.at("AAAAAA+Deva");
    std::u32string back;
    for (const DrawnGlyph& glyph : read.pages[0].glyphs) {
        EXPECT_NE(glyph.glyph, 0);
        auto text = readFont.text.find(glyph.glyph);
        back += text == readFont.text.end() ? U"?" : text->second;
    }
    EXPECT_EQ(back, U"\u0915\uFFFD\u0915");
    EXPECT_EQ(pdf.replacedCharacters, 1u);
}

// Found in review: past the 255th font, the writer fell back to font 0 but
// kept the other font's glyph id, so a wrong glyph was drawn silently.
TEST(TextPdf, EveryFallbackFontKeepsItsOwnPlaceHoweverMany)
{
    TableFont main = MainFont();
    std::vector<std::unique_ptr<TableFont>> others;
    std::u32string line;
    for (uint16_t i = 0; i < 300; ++i) {
        char32_t c = 0x4E00 + i;
        others.push_back(std::make_unique<TableFont>(std::map<char32_t, uint16_t>{{c, static_cast<uint16_t>(100 + i)}}, 1000,
                                                     "Other" + std::to_string(i)));
        line += c;
    }
    FallbackFontFinder fallback = [&](char32_t c) -> const TextFont* {
        return c >= 0x4E00 && c < 0x4E00 + others.size() ? others[c - 0x4E00].get() : nullptr;
    };
    TextPdf pdf = WriteTextPdf({{line}}, PaperSize::A4, PageGeometry(), main, fallback, {});
    EXPECT_EQ(pdf.replacedCharacters, 0u);
    EXPECT_TRUE(main.subsets.empty()) << "the main font draws none of them";
    for (size_t i = 0; i < others.size(); ++i) {
        ASSERT_EQ(others[i]->subsets.size(), 1u) << "font " << i;
        EXPECT_EQ(others[i]->subsets[0], (std::map<uint16_t, std::u32string>{{static_cast<uint16_t>(100 + i),
                                                                               std::u32string(1, 0x4E00 + i)}}))
            << "font " << i;
    }
    const ReadText read = ReadTextPdf(pdf.bytes);
    ASSERT_EQ(read.pages.size(), 1u);
    const std::vector<DrawnGlyph>& drawn = read.pages[0].glyphs;
    ASSERT_EQ(drawn.size(), others.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].font, "AAAAAA+Other" + std::to_string(i)) << "character " << i;
        EXPECT_EQ(drawn[i].glyph, 100 + i) << "character " << i;
    }
}

} // namespace
} // namespace Document
