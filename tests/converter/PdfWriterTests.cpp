#include "PdfWriter.h"

#include <gtest/gtest.h>

#include <regex>

namespace Converter {
namespace {

size_t Count(const std::string& text, const std::string& pattern)
{
    std::regex re(pattern);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator());
}

// Follows the file as a reader does: startxref at the end, the table it
// points at, each entry to its object.
TEST(PdfWriter, CrossReferenceTableLeadsToEveryObject)
{
    std::string pdf = WritePdf({Page{"first page", "", "line (3)"}, Page{}, Page{"back\\slash"}});
    size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0) << "startxref does not point at the table";
    std::smatch header;
    std::string table = pdf.substr(xref + 5);
    ASSERT_TRUE(std::regex_search(table, header, std::regex("^0 (\\d+)\n")));
    size_t count = std::stoul(header[1]);
    ASSERT_EQ(count, 3u + 2 * 3 + 1) << "catalog, page tree, font, a page and its content per page, entry 0";
    for (size_t n = 0; n < count; ++n) {
        std::string entry = table.substr(header.length(0) + 20 * n, 20);
        ASSERT_TRUE(std::regex_match(entry, std::regex("\\d{10} \\d{5} [nf] \n"))) << "entry " << n << ": " << entry;
        std::string object = std::to_string(n) + " 0 obj\n";
        EXPECT_TRUE(n == 0 || pdf.compare(std::stoul(entry), object.size(), object) == 0) << "object " << n;
    }
    EXPECT_EQ(table.compare(header.length(0) + 20 * count, 8, "trailer\n"), 0);
    EXPECT_NE(pdf.find("trailer\n<< /Size 10 /Root 1 0 R >>"), std::string::npos);

    EXPECT_NE(pdf.find("/Count 3 "), std::string::npos);
    EXPECT_EQ(Count(pdf, "/Type /Page /"), 3u);
    EXPECT_NE(pdf.find("(line \\(3\\)) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("(back\\\\slash) Tj"), std::string::npos);
    // Each stream's /Length reaches exactly to its end.
    std::regex stream("/Length (\\d+) >>\nstream\n");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), stream); it != std::sregex_iterator(); ++it) {
        size_t end = it->position(0) + it->length(0) + std::stoul((*it)[1]);
        EXPECT_EQ(pdf.compare(end, 11, "\nendstream\n"), 0) << "stream at " << it->position(0);
    }
    EXPECT_EQ(Count(pdf, "\nendstream\n"), 3u);
    EXPECT_NE(WritePdf({}).find("/Count 1 "), std::string::npos) << "no pages still gives one";
}

TEST(PdfWriter, EscapingCoversDelimitersBackslashAndLineEnds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},         {"plain", "plain"},          {"(", "\\("},           {")(", "\\)\\("},
        {"\\", "\\\\"},   {"a\\)b", "a\\\\\\)b"},      {"\r\n", "\\r\\n"},     {"\xE9\x80", "\xE9\x80"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(EscapePdfString(cases[i].first), cases[i].second) << "case " << i;
    }
}

} // namespace
} // namespace Converter
