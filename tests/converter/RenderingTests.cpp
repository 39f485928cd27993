// RenderDocument with the paper and the time handed in, as the converter's
// run hands them; the fonts are the repository's DejaVu Sans Mono.
#include "DocumentFonts.h"
#include "PdfReading.h"
#include "Rendering.h"

#include "Error.h"
#include "FileContent.h"
#include "AnsiText.h"

#include <gtest/gtest.h>

namespace Converter {
namespace {

std::string MonoFont()
{
    return Global::ReadFileBytes(Global::FromAnsi(DEJAVU_MONO_PATH));
}

// A job as a print run spools it: its kind and encoding found by the sniff.
Job SpooledJob(const std::wstring& name, const std::string& bytes)
{
    Document::DocumentSniffer sniffer;
    sniffer.Add(bytes);
    return {name, bytes, {sniffer.Finish().kind, sniffer.Encoding()}};
}

TEST(Rendering, TextIsLaidOutOnTheGivenPaperAndDatedWithTheGivenTime)
{
    DocumentFonts fonts(MonoFont());
    SYSTEMTIME when{};
    when.wYear = 2031;
    when.wMonth = 2;
    when.wDay = 3;
    when.wHour = 4;
    when.wMinute = 5;
    when.wSecond = 6;
    const Job job = SpooledJob(L"C:\\Docs\\report.txt", "Hello\r\n");
    const struct {
        Document::PaperSize paper;
        const char* mediaBox;
    } cases[] = {
        {Document::PaperSize::Letter, "/MediaBox [0 0 612 792]"},
        {Document::PaperSize::A4, "/MediaBox [0 0 595.28 841.89]"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        RenderedDocument rendered = RenderDocument(job, cases[i].paper, when, fonts);
        // The page sits in a compressed object stream: read as a reader does.
        EXPECT_EQ(Document::ObjectsWith(Document::ReadPdfObjects(rendered.pdf), cases[i].mediaBox).size(), 1u)
            << "case " << i;
        EXPECT_NE(rendered.pdf.find("/CreationDate (D:20310203040506Z)"), std::string::npos) << "case " << i;
        EXPECT_NE(rendered.pdf.find("/Title (report.txt)"), std::string::npos) << "case " << i;
        EXPECT_EQ(rendered.summary, L"text in UTF-8, 1 pages") << "case " << i;
    }
}

// The log names the encoding a text was read in, and counts by script the
// characters that no font draws: Thai has fonts on every machine the
// converter is meant for (and here through setup), an unassigned code point
// has none.
TEST(Rendering, TheSummaryNamesTheEncodingAndTheScriptsNotDrawn)
{
    DocumentFonts fonts(MonoFont());
    SYSTEMTIME when{};
    when.wYear = 2031;
    when.wMonth = 1;
    when.wDay = 1;
    const std::wstring ansi = L"ANSI code page " + std::to_wstring(::GetACP());
    const struct {
        std::string text;
        std::wstring encoding;
        size_t replaced;
        std::wstring byScript;
    } cases[] = {
        {"plain", L"UTF-8", 0, L""},
        {"\xEF\xBB\xBFplain", L"UTF-8 with a byte-order mark", 0, L""},
        {std::string("\xFF\xFEp\0", 4), L"UTF-16LE with a byte-order mark", 0, L""},
        {"caf\xE9", ansi + L", as no other encoding stood out", 0, L""},
        {"\xE0\xB8\x81\xE0\xB8\xB3 \xCD\xB8 \xCD\xB8", L"UTF-8", 2, L"Unknown 2"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        RenderedDocument rendered = RenderDocument(SpooledJob(L"C:\\a.txt", cases[i].text), Document::PaperSize::A4, when, fonts);
        EXPECT_EQ(rendered.summary, L"text in " + cases[i].encoding + L", 1 pages") << "case " << i;
        EXPECT_EQ(rendered.replacedCharacters, cases[i].replaced) << "case " << i;
        EXPECT_EQ(rendered.replacedByScript, cases[i].byScript) << "case " << i;
    }
}

// A damaged font of the program's own is the program's fault: an error, not
// a document refused.
TEST(Rendering, ADamagedOwnFontIsAnErrorOfTheProgram)
{
    std::string font = MonoFont();
    font.resize(200);
    try {
        DocumentFonts fonts(font);
        ADD_FAILURE() << "a damaged font was taken";
    } catch (const Global::Error& error) {
        EXPECT_EQ(error.Description().rfind(L"The converter's own font is damaged: ", 0), 0u);
    }
}

} // namespace
} // namespace Converter
