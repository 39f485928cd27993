#include "PdfCheck.h"

#include "DocumentError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace Converter {
namespace {

// The objects numbered from 1 (the catalog), with a classic cross-reference
// table at the offsets where they are.
std::string Pdf(const std::vector<std::string>& objects)
{
    std::string pdf = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010u 00000 n \n", static_cast<unsigned>(offset));
        pdf += line;
    }
    return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

struct Pages {
    size_t count = 1;
    bool shared = false;     // one content stream for every page
    size_t streamBytes = 10; // each content stream's data
    bool wrongLength = false; // each stream's /Length 5 bytes short
    bool isSigned = false;    // a form with a signature field that holds its signature
};

std::string PagesPdf(const Pages& p)
{
    const size_t firstPage = 3;
    const size_t firstStream = firstPage + p.count;
    const size_t streams = p.shared ? 1 : p.count;
    const size_t field = firstStream + streams;
    std::string kids;
    for (size_t i = 0; i < p.count; ++i) {
        kids += std::to_string(firstPage + i) + " 0 R ";
    }
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R" +
            (p.isSigned ? " /AcroForm << /Fields [" + std::to_string(field) + " 0 R] /SigFlags 3 >>" : std::string()) +
            " >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(p.count) + " >>"};
    for (size_t i = 0; i < p.count; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                          std::to_string(firstStream + (p.shared ? 0 : i)) + " 0 R >>");
    }
    const std::string data(p.streamBytes, 'x');
    for (size_t i = 0; i < streams; ++i) {
        objects.push_back("<< /Length " + std::to_string(p.streamBytes - (p.wrongLength ? 5 : 0)) + " >>\nstream\n" +
                          data + "\nendstream");
    }
    if (p.isSigned) {
        objects.push_back("<< /FT /Sig /T (Signature1) /V " + std::to_string(field + 1) +
                          " 0 R /Type /Annot /Subtype /Widget /Rect [0 0 0 0] /P 3 0 R >>");
        objects.push_back("<< /Type /Sig /Filter /Adobe.PPKLite /SubFilter /adbe.pkcs7.detached "
                          "/ByteRange [0 100 200 300] /Contents <00000000> >>");
    }
    return Pdf(objects);
}

// The same document, its startxref 100 bytes off: qpdf rebuilds the
// cross-reference from the objects.
std::string WrongStartXref(std::string pdf)
{
    size_t number = pdf.rfind("startxref\n") + 10;
    size_t end = pdf.find('\n', number);
    pdf.replace(number, end - number, std::to_string(std::stoul(pdf.substr(number, end - number)) - 100));
    return pdf;
}

PdfCheckLimits Limits(size_t contentBytes, DWORD milliseconds, size_t keptFindings)
{
    PdfCheckLimits limits;
    limits.contentBytes = contentBytes;
    limits.milliseconds = milliseconds;
    limits.keptFindings = keptFindings;
    return limits;
}

enum class Outcome { Unchanged, Repaired, Refused };

TEST(PdfCheck, ReadsEachContentStreamOnceWithinItsBoundsAndNeverRepairsASignature)
{
    const PdfCheckLimits usual;
    const struct {
        const char* situation;
        std::string pdf;
        PdfCheckLimits limits;
        Outcome outcome;
        size_t pages = 0;
        std::wstring refusal = {}; // what the reason says
        size_t leastUnlisted = 0;  // repaired: at least this many findings counted beyond those listed
    } cases[] = {
        // Read once per page, 50 pages would read 50,000 bytes.
        {"a stream all pages share", PagesPdf({.count = 50, .shared = true, .streamBytes = 1000}),
         Limits(1500, usual.milliseconds, usual.keptFindings), Outcome::Unchanged, 50},
        {"page contents past the bound", PagesPdf({.count = 3, .streamBytes = 1000}),
         Limits(2500, usual.milliseconds, usual.keptFindings), Outcome::Refused, 0,
         L"The PDF's page contents are larger than the file could hold"},
        {"no time left", PagesPdf({.count = 3}), Limits(usual.contentBytes, 0, usual.keptFindings), Outcome::Refused,
         0, L"The PDF's pages could not be read within 0 seconds."},
        {"more findings than are kept", PagesPdf({.count = 6, .streamBytes = 100, .wrongLength = true}),
         Limits(usual.contentBytes, usual.milliseconds, 2), Outcome::Repaired, 6, {}, 4},
        {"signed, intact", PagesPdf({.count = 2, .isSigned = true}), usual, Outcome::Unchanged, 2},
        {"damaged", WrongStartXref(PagesPdf({.count = 2})), usual, Outcome::Repaired, 2},
        {"signed and damaged", WrongStartXref(PagesPdf({.count = 2, .isSigned = true})), usual, Outcome::Refused, 0,
         L") and signed: repaired, it would no longer match its signature."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        std::optional<CheckedPdf> checked;
        std::wstring refusal;
        try {
            checked = CheckPdf(c.pdf, c.limits);
        } catch (const Document::DocumentError& error) {
            refusal = error.Description();
        }
        if (c.outcome == Outcome::Refused) {
            EXPECT_FALSE(checked.has_value());
            EXPECT_NE(refusal.find(c.refusal), std::wstring::npos) << std::string(refusal.begin(), refusal.end());
            continue;
        }
        if (!checked) {
            ADD_FAILURE() << "refused: " << std::string(refusal.begin(), refusal.end());
            continue;
        }
        EXPECT_EQ(checked->pages, c.pages);
        EXPECT_EQ(checked->bytes == c.pdf, c.outcome == Outcome::Unchanged);
        if (c.outcome == Outcome::Repaired) {
            EXPECT_FALSE(checked->damage.empty());
            EXPECT_LE(checked->damage.size(), c.limits.keptFindings);
            EXPECT_GE(checked->unlistedDamage, c.leastUnlisted);
        } else {
            EXPECT_TRUE(checked->damage.empty());
        }
    }
}

} // namespace
} // namespace Converter
