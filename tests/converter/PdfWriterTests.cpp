#include "PdfWriter.h"

#include <gtest/gtest.h>

#include <regex>

namespace Converter {
namespace {

// Reads a PDF the way a reader starts: from startxref at the end, to the
// cross-reference table, to each object.
class PdfStructure {
public:
    explicit PdfStructure(std::string pdf) : pdf_(std::move(pdf)) {}

    size_t StartXref() const
    {
        size_t at = pdf_.rfind("startxref\n");
        EXPECT_NE(at, std::string::npos);
        return std::stoul(pdf_.substr(at + 10));
    }

    // Offsets of the entries in use, by object number.
    std::vector<size_t> Offsets(size_t& declaredCount) const
    {
        size_t xref = StartXref();
        EXPECT_EQ(pdf_.compare(xref, 5, "xref\n"), 0) << "startxref does not point at the table";
        std::smatch header;
        std::string rest = pdf_.substr(xref + 5);
        EXPECT_TRUE(std::regex_search(rest, header, std::regex("^0 (\\d+)\n")));
        declaredCount = std::stoul(header[1]);
        size_t entries = xref + 5 + header.length(0);
        std::vector<size_t> offsets;
        for (size_t i = 0; i < declaredCount; ++i) {
            std::string entry = pdf_.substr(entries + 20 * i, 20);
            EXPECT_TRUE(std::regex_match(entry, std::regex("\\d{10} \\d{5} [nf] \n"))) << "entry " << i << ": " << entry;
            offsets.push_back(std::stoul(entry.substr(0, 10)));
        }
        EXPECT_EQ(pdf_.compare(entries + 20 * declaredCount, 8, "trailer\n"), 0);
        return offsets;
    }

    const std::string& Text() const { return pdf_; }

private:
    std::string pdf_;
};

std::vector<Page> ThreePages()
{
    return {Page{"first page", "", "line (3)"}, Page{}, Page{"back\\slash"}};
}

TEST(PdfWriter, EveryCrossReferenceEntryPointsAtItsObject)
{
    PdfStructure pdf(WritePdf(ThreePages()));
    size_t count = 0;
    std::vector<size_t> offsets = pdf.Offsets(count);
    // Catalog, page tree, font, then a page and its content per page.
    ASSERT_EQ(count, 3u + 2 * 3 + 1);
    for (size_t n = 1; n < offsets.size(); ++n) {
        std::string expected = std::to_string(n) + " 0 obj\n";
        EXPECT_EQ(pdf.Text().compare(offsets[n], expected.size(), expected), 0) << "object " << n;
    }
    EXPECT_NE(pdf.Text().find("trailer\n<< /Size " + std::to_string(count) + " /Root 1 0 R >>"), std::string::npos);
}

TEST(PdfWriter, PageTreeCountsEveryPage)
{
    std::string pdf = WritePdf(ThreePages());
    EXPECT_NE(pdf.find("/Count 3 "), std::string::npos);
    std::regex page("/Type /Page /");
    EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()), 3);
}

TEST(PdfWriter, NoPagesStillGivesOnePage)
{
    std::string pdf = WritePdf({});
    EXPECT_NE(pdf.find("/Count 1 "), std::string::npos);
}

TEST(PdfWriter, StreamLengthsMatchTheirData)
{
    std::string pdf = WritePdf(ThreePages());
    std::regex stream("/Length (\\d+) >>\nstream\n");
    int streams = 0;
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), stream); it != std::sregex_iterator(); ++it) {
        size_t dataStart = it->position(0) + it->length(0);
        size_t length = std::stoul((*it)[1]);
        EXPECT_EQ(pdf.compare(dataStart + length, 11, "\nendstream\n"), 0) << "stream " << streams;
        ++streams;
    }
    EXPECT_EQ(streams, 3);
}

TEST(PdfWriter, LinesAreShownAsEscapedStrings)
{
    std::string pdf = WritePdf(ThreePages());
    EXPECT_NE(pdf.find("(line \\(3\\)) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("(back\\\\slash) Tj"), std::string::npos);
}

TEST(PdfWriter, EscapingCoversDelimitersBackslashAndLineEnds)
{
    struct Case {
        std::string raw;
        std::string escaped;
    };
    const Case cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"(", "\\("},
        {")(", "\\)\\("},
        {"\\", "\\\\"},
        {"a\\)b", "a\\\\\\)b"},
        {"\r\n", "\\r\\n"},
        {"\xE9\x80", "\xE9\x80"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(EscapePdfString(cases[i].raw), cases[i].escaped) << "case " << i;
    }
}

} // namespace
} // namespace Converter
