#include "PdfFile.h"
#include "PdfReading.h"
#include "TextPdf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

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
    FontSubsetFacts Subset(const std::map<uint16_t, std::u32string>& used, const GlyphWidths& widths) const override
    {
        subsets.push_back(used);
        subsetWidths.push_back(widths);
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
    std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf.bytes);
    ASSERT_FALSE(objects.empty());

    std::vector<PdfObjectText> contents = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
    ASSERT_GE(contents.size(), 3u);
    // Each glyph by its id in two bytes; each advances by its cell (the
    // main font's advance, two for the wide character, none for the mark),
    // so no adjustment is needed.
    EXPECT_EQ(contents[0].stream, "BT\n11.66 TL\n57.64 797.89 Td\n"
                                  "/F1 10 Tf\n(\0H\0i\0\3)Tj\n"
                                  "/F2 10 Tf\n(\0\5)Tj\n"
                                  "/F1 10 Tf\n(\0\1\0\\(\0i\\r\\n)Tj\n"
                                  "T*\nT*\n(\0i)'\nET\n"s)
        << "trailing blanks are not drawn; a combining mark takes no cell";
    EXPECT_EQ(contents[1].stream, "BT\n11.66 TL\n57.64 797.89 Td\nET\n");
    EXPECT_EQ(contents[2].stream, "BT\n11.66 TL\n57.64 797.89 Td\n/F1 10 Tf\n(\0\1)Tj\n/F2 10 Tf\n[-600(\0\5)]TJ\nET\n"s)
        << "a wide character the fonts lack still takes its two cells: the replacement glyph, one cell wide, and an "
           "adjustment before the next glyph";
    std::vector<PdfObjectText> maps = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
    EXPECT_EQ(std::count_if(maps.begin(), maps.end(), [](const PdfObjectText& o) {
                  return o.stream.find("1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n6 beginbfchar\n"
                                       "<0001> <FFFD>\n<0003> <0020>\n<0028> <0028>\n<0048> <0048>\n<0069> <0069>\n"
                                       "<0D0A> <0301>\n") != std::string::npos;
              }),
              1);

    ASSERT_EQ(main.subsets.size(), 1u);
    EXPECT_EQ(main.subsets[0], (std::map<uint16_t, std::u32string>{
                                   {1, U"\uFFFD"}, {3, U" "}, {0x28, U"("}, {0x48, U"H"}, {0x69, U"i"}, {0x0D0A, U"\u0301"}}));
    ASSERT_EQ(wide.subsets.size(), 1u);
    EXPECT_EQ(wide.subsets[0], (std::map<uint16_t, std::u32string>{{5, U"\u4E2D"}}));
    EXPECT_EQ(main.subsetWidths[0], (GlyphWidths{{1, 600}, {3, 600}, {0x28, 600}, {0x48, 600}, {0x69, 600}, {0x0D0A, 0}}))
        << "the font file's advances are the cells too";
    EXPECT_EQ(wide.subsetWidths[0], (GlyphWidths{{5, 1200}}));

    // Each font as a Type0 font with the Identity-H encoding over a
    // CIDFontType2 with Identity mapping, its file and map compressed.
    ASSERT_EQ(ObjectsWith(objects, "/Subtype /Type0 /BaseFont /AAAAAA+Mono /Encoding /Identity-H /DescendantFonts").size(), 1u);
    ASSERT_EQ(ObjectsWith(objects, "/Subtype /Type0 /BaseFont /AAAAAA+Wide /Encoding /Identity-H /DescendantFonts").size(), 1u);
    std::vector<PdfObjectText> descendants = ObjectsWith(objects, "/Subtype /CIDFontType2");
    ASSERT_EQ(descendants.size(), 2u);
    EXPECT_NE(descendants[0].dictionary.find("/BaseFont /AAAAAA+Mono /CIDSystemInfo << /Registry (Adobe) "
                                             "/Ordering (Identity) /Supplement 0 >>"),
              std::string::npos);
    EXPECT_NE(descendants[0].dictionary.find(
                  "/DW 600 /W [1 [600] 3 [600] 40 [600] 72 [600] 105 [600] 3338 [0]] /CIDToGIDMap /Identity"),
              std::string::npos)
        << descendants[0].dictionary;
    EXPECT_NE(descendants[1].dictionary.find("/DW 1200 /W [5 [1200]] /CIDToGIDMap /Identity"), std::string::npos)
        << "the wide glyph is as wide as its two cells: " << descendants[1].dictionary;
    std::vector<PdfObjectText> files = ObjectsWith(objects, "/Length1 22 ");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].stream + ", " + files[1].stream, "glyph outlines of Mono, glyph outlines of Wide");
    EXPECT_EQ(ObjectsWith(objects, "<< /Type /FontDescriptor /FontName /AAAAAA+Mono /Flags 5 /FontBBox [-50 -250 650 800] "
                                   "/ItalicAngle 0 /Ascent 760 /Descent -240 /CapHeight 729 /StemV 88 /FontFile2")
                  .size(),
              1u);

    std::vector<PdfObjectText> trees = ObjectsWith(objects, "/Type /Pages");
    ASSERT_EQ(trees.size(), 1u);
    EXPECT_NE(trees[0].dictionary.find("/Count 3 /MediaBox [0 0 595.28 841.89]"), std::string::npos);
    EXPECT_EQ(ObjectsWith(objects, "/Type /Page /Parent").size(), 3u);
    EXPECT_EQ(ObjectsWith(objects, "<< /Title <FEFF005200E900730075006D00E9002E007400780074> "
                                   "/Producer (Ardenfold PDFCreator) /CreationDate (D:20261207090503Z) >>")
                  .size(),
              1u);
    EXPECT_NE(pdf.bytes.find("/Root 1 0 R /Info 3 0 R"), std::string::npos);
    EXPECT_NE(pdf.bytes.find("3 0 obj\n<< /Title <FEFF0052"), std::string::npos) << "the information stands in the open";
}

TEST(TextPdf, PaperAndGridFollowTheLocaleAndAnEmptyDocumentHasOnePage)
{
    TableFont main = MainFont();
    const struct {
        PaperSize paper;
        const char* mediaBox;
        const char* frame; // leading, left margin, first baseline
    } cases[] = {
        {PaperSize::A4, "[0 0 595.28 841.89]", "BT\n11.66 TL\n57.64 797.89 Td\n"},
        {PaperSize::Letter, "[0 0 612 792]", "BT\n10.91 TL\n66 748 Td\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TextPdf pdf = WriteTextPdf({}, cases[i].paper, PageGeometry(), main, nullptr, {});
        std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf.bytes);
        EXPECT_EQ(ObjectsWith(objects, std::string("/Count 1 /MediaBox ") + cases[i].mediaBox).size(), 1u) << "case " << i;
        std::vector<PdfObjectText> contents = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
        ASSERT_EQ(contents.size(), 1u) << "case " << i;
        EXPECT_EQ(contents[0].stream, std::string(cases[i].frame) + "ET\n") << "case " << i;
        EXPECT_TRUE(ObjectsWith(objects, "/Type0").empty()) << "no font for no text";
        EXPECT_EQ(ObjectsWith(objects, "<< /Producer (Ardenfold PDFCreator) >>").size(), 1u) << "case " << i;
    }
}

// The glyph ids shown on a page, read back out of its content as a reader
// does: each literal string unescaped, two bytes a code.
std::vector<uint16_t> ShownGlyphs(const std::string& stream)
{
    std::vector<uint16_t> glyphs;
    std::string codes;
    bool inString = false;
    for (size_t i = 0; i < stream.size(); ++i) {
        char c = stream[i];
        if (!inString) {
            inString = c == '(';
        } else if (c == ')') {
            inString = false;
        } else if (c == '\\') {
            ++i;
            codes += stream[i] == 'r' ? '\r' : stream[i] == 'n' ? '\n' : stream[i];
        } else {
            codes += c;
        }
    }
    EXPECT_EQ(codes.size() % 2, 0u);
    for (size_t i = 0; i + 1 < codes.size(); i += 2) {
        glyphs.push_back(static_cast<uint16_t>(static_cast<unsigned char>(codes[i]) << 8 | static_cast<unsigned char>(codes[i + 1])));
    }
    return glyphs;
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
    std::vector<PdfObjectText> contents = ObjectsWith(ReadPdfObjects(pdf.bytes), "<< /Filter /FlateDecode /Length");
    ASSERT_FALSE(contents.empty());
    std::u32string back;
    for (uint16_t glyph : ShownGlyphs(contents[0].stream)) {
        auto found = std::find_if(glyphs.begin(), glyphs.end(), [&](const auto& entry) { return entry.second == glyph; });
        back += found == glyphs.end() ? U'?' : found->first;
    }
    EXPECT_EQ(back, line);
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
    std::vector<PdfObjectText> contents = ObjectsWith(ReadPdfObjects(pdf.bytes), "<< /Filter /FlateDecode /Length");
    ASSERT_FALSE(contents.empty());
    EXPECT_NE(contents[0].stream.find("/F301 10 Tf\n(\1\x8F)Tj\n"), std::string::npos);
}

} // namespace
} // namespace Document
