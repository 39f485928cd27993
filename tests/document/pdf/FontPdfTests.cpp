#include "FontPdf.h"

#include "FontFiles.h"
#include "FontSubset.h"
#include "PdfReading.h"

#include <gtest/gtest.h>

#include <regex>

namespace Document {
namespace {

// The font's objects in a file of their own, read back as a reader does.
std::map<int, PdfObjectText> WrittenFont(const FontSubsetFacts& data, const std::map<uint16_t, std::u32string>& glyphText,
                                         const GlyphWidths& widths)
{
    PdfFile file(3);
    PdfRef catalog = file.Reserve();
    PdfRef font = WriteFontPdf(file, data, glyphText, widths);
    file.Write(catalog, PdfDictionary().Ref(Pdf::Font, font));
    return ReadPdfObjects(file.Finish(catalog, catalog));
}

TEST(FontPdf, WidthsAreTheCellsTheGlyphsWereShownIn)
{
    const struct {
        const char* name;
        GlyphWidths widths;
        const char* written; // /DW and /W
    } cases[] = {
        {"nothing shown", {}, "/DW 1000 /W []"},
        {"a run of one width", {{3, 602}, {4, 602}, {5, 602}}, "/DW 602 /W [3 5 602]"},
        {"glyphs apart", {{3, 602}, {7, 602}}, "/DW 602 /W [3 [602] 7 [602]]"},
        {"one cell, two, none", {{3, 602}, {4, 1204}, {5, 0}, {7, 602}}, "/DW 602 /W [3 [602 1204 0] 7 [602]]"},
        {"a list up to a run", {{3, 0}, {4, 1204}, {5, 602}, {6, 602}, {9, 1204}},
         "/DW 602 /W [3 [0 1204] 5 6 602 9 [1204]]"},
        {"wide characters", {{900, 1204}, {901, 1204}, {2000, 1204}}, "/DW 1204 /W [900 901 1204 2000 [1204]]"},
    };
    TrueTypeFont font(ReadFontFile(MonoFontPath));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<uint16_t, std::u32string> glyphText;
        for (const auto& entry : c.widths) {
            glyphText.emplace(entry.first, std::u32string(1, U'x'));
        }
        std::map<int, PdfObjectText> objects = WrittenFont(BuildFontSubset(font, glyphText), glyphText, c.widths);
        std::vector<PdfObjectText> descendants = ObjectsWith(objects, "/Subtype /CIDFontType2");
        ASSERT_EQ(descendants.size(), 1u);
        EXPECT_NE(descendants[0].dictionary.find(std::string(c.written) + " /CIDToGIDMap /Identity"), std::string::npos)
            << descendants[0].dictionary;
    }
}

TEST(FontPdf, DescriptorDescribesTheFont)
{
    std::map<int, PdfObjectText> objects = WrittenFont(BuildFontSubset(TrueTypeFont(ReadFontFile(MonoFontPath)), {}), {}, {});
    std::vector<PdfObjectText> descriptors = ObjectsWith(objects, "/Type /FontDescriptor");
    ASSERT_EQ(descriptors.size(), 1u);
    EXPECT_TRUE(std::regex_search(descriptors[0].dictionary,
                                  std::regex("/FontName /[A-Z]{6}\\+DejaVuSansMono /Flags 5 /FontBBox \\[-\\d+ -\\d+ \\d+ \\d+\\] "
                                             "/ItalicAngle 0 /Ascent 928 /Descent -236 /CapHeight 729 /StemV 88 /FontFile2 ")))
        << descriptors[0].dictionary;
}

} // namespace
} // namespace Document
