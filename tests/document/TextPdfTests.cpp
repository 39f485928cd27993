#include "PdfFile.h"
#include "PdfReading.h"
#include "TextPdf.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    PdfFontData Subset(const std::map<uint16_t, std::u32string>& used) const override
    {
        subsets.push_back(used);
        PdfFontData data;
        data.baseFont = "AAAAAA+" + name_;
        data.fontFile2 = "glyph outlines of " + name_;
        data.widths = "[1 [" + std::to_string(advance_) + "]]";
        data.toUnicodeCMap = "cmap of " + name_;
        data.descriptorEntries = "/Flags 33 /ItalicAngle 0";
        return data;
    }
    mutable std::vector<std::map<uint16_t, std::u32string>> subsets;

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

    EXPECT_EQ(pdf.bytes.compare(0, 9, "%PDF-1.3\n"), 0);
    EXPECT_EQ(pdf.replacedCharacters, 2u) << "the control character and the emoji";
    EXPECT_EQ(asked, 2u) << "asked once for each character the main font lacks, not for a control character";
    std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf.bytes);
    ASSERT_FALSE(objects.empty());

    std::vector<PdfObjectText> contents = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
    ASSERT_GE(contents.size(), 3u);
    // The main font's advance is the grid; the wide glyph (1000) takes two cells (1200), so 200 more.
    // Codes in order of first use, per font. The main font's advance is the
    // grid; the wide glyph (1000) takes two cells (1200), so 200 more.
    EXPECT_EQ(contents[0].stream, "BT\n11.66 TL\n57.64 797.89 Td\n"
                                  "/F1 10 Tf\n(\0\1\2)Tj\n"
                                  "/F2 10 Tf\n[(\0)-200]TJ\n"
                                  "/F1 10 Tf\n[(\3\4\1\5)600]TJ\n"
                                  "T*\nT*\nT*\n(\1)Tj\nET\n"s)
        << "trailing blanks are not drawn; a combining mark takes no cell";
    EXPECT_EQ(contents[1].stream, "BT\n11.66 TL\n57.64 797.89 Td\nET\n");
    EXPECT_EQ(contents[2].stream, "BT\n11.66 TL\n57.64 797.89 Td\n/F1 10 Tf\n[(\3)-600]TJ\n/F2 10 Tf\n[(\0)-200]TJ\nET\n"s)
        << "a wide character the fonts lack still takes its two cells";
    std::vector<PdfObjectText> encodings = ObjectsWith(objects, "/Type /CMap /CMapName /Ardenfold-Codes-F1 ");
    ASSERT_EQ(encodings.size(), 1u);
    EXPECT_NE(encodings[0].stream.find("6 begincidchar\n<00> 72\n<01> 105\n<02> 3\n<03> 1\n<04> 40\n<05> 3338\n"),
              std::string::npos);
    std::vector<PdfObjectText> maps = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
    EXPECT_EQ(std::count_if(maps.begin(), maps.end(), [](const PdfObjectText& o) {
                  return o.stream.find("6 beginbfchar\n<00> <0048>\n<01> <0069>\n<02> <0020>\n<03> <FFFD>\n<04> "
                                       "<0028>\n<05> <0301>\n") != std::string::npos;
              }),
              1);

    ASSERT_EQ(main.subsets.size(), 1u);
    EXPECT_EQ(main.subsets[0], (std::map<uint16_t, std::u32string>{
                                   {1, U"\uFFFD"}, {3, U" "}, {0x28, U"("}, {0x48, U"H"}, {0x69, U"i"}, {0x0D0A, U"\u0301"}}));
    ASSERT_EQ(wide.subsets.size(), 1u);
    EXPECT_EQ(wide.subsets[0], (std::map<uint16_t, std::u32string>{{5, U"\u4E2D"}}));

    // Each font as a Type0 font over a CIDFontType2 with Identity mapping, its file and map compressed.
    ASSERT_EQ(ObjectsWith(objects, "/Subtype /Type0").size(), 2u);
    std::vector<PdfObjectText> descendants = ObjectsWith(objects, "/Subtype /CIDFontType2");
    ASSERT_EQ(descendants.size(), 2u);
    EXPECT_NE(descendants[0].dictionary.find("/BaseFont /AAAAAA+Mono /CIDSystemInfo << /Registry (Adobe) "
                                             "/Ordering (Identity) /Supplement 0 >>"),
              std::string::npos);
    EXPECT_NE(descendants[0].dictionary.find("/DW 1000 /W [1 [600]] /CIDToGIDMap /Identity"), std::string::npos);
    std::vector<PdfObjectText> files = ObjectsWith(objects, "/Length1 22 ");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].stream + ", " + files[1].stream, "glyph outlines of Mono, glyph outlines of Wide");
    EXPECT_EQ(ObjectsWith(objects, "/Flags 33 /ItalicAngle 0 /FontFile2").size(), 2u);

    std::vector<PdfObjectText> trees = ObjectsWith(objects, "/Type /Pages");
    ASSERT_EQ(trees.size(), 1u);
    EXPECT_NE(trees[0].dictionary.find("/Count 3 /MediaBox [0 0 595.28 841.89]"), std::string::npos);
    EXPECT_EQ(ObjectsWith(objects, "/Type /Page /Parent").size(), 3u);
    EXPECT_EQ(ObjectsWith(objects, "<< /Title <FEFF005200E900730075006D00E9002E007400780074> "
                                   "/Producer (Ardenfold PDFCreator) /CreationDate (D:20261207090503Z) >>")
                  .size(),
              1u);
    EXPECT_NE(pdf.bytes.find("/Root 1 0 R /Info 3 0 R"), std::string::npos);
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

// Reads the codes back out of the content as a reader does (unescaping the
// literal strings, one byte below 0x80, two from 0x80) and maps them through
// the order in which they were given: the text must come back.
TEST(TextPdf, EveryPrintableAsciiCharacterComesBackThroughItsCode)
{
    std::map<char32_t, uint16_t> glyphs;
    std::u32string line;
    for (char32_t c = U'!'; c <= U'~'; ++c) {
        glyphs[c] = static_cast<uint16_t>(c);
        line += c;
    }
    TableFont main(glyphs, 600, "Ascii");
    // Past 128 glyphs the codes take two bytes.
    for (char32_t c = 0x100; c < 0x140; ++c) {
        glyphs[c] = static_cast<uint16_t>(c);
        line += c;
    }
    TableFont wider(glyphs, 600, "Wider");
    for (const TableFont* font : {&main, &wider}) {
        std::u32string text = font == &main ? line.substr(0, 94) : line;
        TextPdf pdf = WriteTextPdf({{text}}, PaperSize::A4, PageGeometry{200, 66, 8}, *font, nullptr, {});
        std::vector<PdfObjectText> contents = ObjectsWith(ReadPdfObjects(pdf.bytes), "<< /Filter /FlateDecode /Length");
        ASSERT_FALSE(contents.empty());
        const std::string& stream = contents[0].stream;
        size_t open = stream.find("Tf\n(") + 4, close = stream.rfind(")Tj");
        std::string codes;
        for (size_t i = open; i < close; ++i) {
            if (stream[i] == '\\') {
                ++i;
                codes += stream[i] == 'r' ? '\r' : stream[i] == 'n' ? '\n' : stream[i];
            } else {
                codes += stream[i];
            }
        }
        std::u32string back;
        for (size_t i = 0; i < codes.size(); ++i) {
            auto byte = static_cast<unsigned char>(codes[i]);
            size_t index = byte < 0x80 ? byte : 0x80 + ((byte - 0x80) << 8 | static_cast<unsigned char>(codes[++i]));
            back += index < text.size() ? text[index] : U'?';
        }
        EXPECT_EQ(back, text);
    }
}

TEST(PdfValues, NumbersStringsAndTextStrings)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"", ""},       {"plain", "plain"},     {"(", "\\("},       {")(", "\\)\\("},
        {"\\", "\\\\"}, {"a\\)b", "a\\\\\\)b"}, {"\r\n", "\\r\\n"}, {"\xE9\x80", "\xE9\x80"},
    };
    for (size_t i = 0; i < std::size(escapes); ++i) {
        EXPECT_EQ(EscapePdfString(escapes[i].first), escapes[i].second) << "escape " << i;
    }
    const std::pair<double, std::string> numbers[] = {
        {0, "0"}, {12, "12"}, {-3.5, "-3.5"}, {595.276, "595.28"}, {0.001, "0"}, {-0.001, "0"}, {1e9, "1000000000"},
    };
    for (size_t i = 0; i < std::size(numbers); ++i) {
        EXPECT_EQ(PdfNumber(numbers[i].first), numbers[i].second) << "number " << i;
    }
    const std::pair<std::u32string, std::string> texts[] = {
        {U"", "()"},
        {U"notes (1).txt", "(notes \\(1\\).txt)"},
        {U"\u0394.txt", "<FEFF0394002E007400780074>"},
        {U"\U0001F600", "<FEFFD83DDE00>"},
        {U"tab\t", "<FEFF0074006100620009>"},
    };
    for (size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(PdfTextString(texts[i].first), texts[i].second) << "text " << i;
    }
}

TEST(PdfFile, EachReservedObjectIsWrittenExactlyOnce)
{
    PdfFile twice(4);
    PdfRef ref = twice.Reserve();
    twice.Write(ref, PdfDictionary());
    EXPECT_THROW(twice.Write(ref, PdfDictionary()), std::logic_error);
    EXPECT_THROW(twice.Write(PdfRef{7}, PdfDictionary()), std::logic_error);

    PdfFile unwritten(4);
    PdfRef catalog = unwritten.Reserve();
    unwritten.Reserve();
    unwritten.Write(catalog, PdfDictionary());
    EXPECT_THROW(unwritten.Finish(catalog, catalog), std::logic_error);
}

} // namespace
} // namespace Document
