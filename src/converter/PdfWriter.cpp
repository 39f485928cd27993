#include "PdfWriter.h"

#include <cstdio>

namespace Converter {
namespace {

// Numbers as PDF wants them: no exponent, and a point whatever the locale.
std::string Number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

std::string ContentStream(const Page& page, const PdfPageFormat& format)
{
    std::string content = "BT\n/F1 " + Number(format.fontSize) + " Tf\n" + Number(format.leading) + " TL\n" +
                          Number(format.left) + " " + Number(format.firstBaseline) + " Td\n";
    for (const std::string& line : page) {
        if (!line.empty()) {
            content += '(';
            content += EscapePdfString(line);
            content += ") Tj\n";
        }
        content += "T*\n";
    }
    content += "ET\n";
    return content;
}

// Collects numbered objects and remembers where each begins, for the
// cross-reference table.
class ObjectWriter {
public:
    ObjectWriter()
    {
        // The comment of high bytes marks the file as binary for transfer tools.
        out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    }

    void Add(int number, const std::string& body)
    {
        if (offsets_.size() < static_cast<size_t>(number) + 1) {
            offsets_.resize(number + 1, 0);
        }
        offsets_[number] = out_.size();
        out_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }

    void AddStream(int number, const std::string& data)
    {
        Add(number, "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
    }

    std::string Finish(int rootNumber)
    {
        size_t xref = out_.size();
        out_ += "xref\n0 " + std::to_string(offsets_.size()) + "\n";
        // Every entry is exactly 20 bytes: the two-byte line end is space LF.
        out_ += "0000000000 65535 f \n";
        for (size_t i = 1; i < offsets_.size(); ++i) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%010lu 00000 n \n", static_cast<unsigned long>(offsets_[i]));
            out_ += entry;
        }
        out_ += "trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " + std::to_string(rootNumber) +
                " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
        return std::move(out_);
    }

private:
    std::string out_;
    std::vector<size_t> offsets_{0};
};

} // namespace

std::string EscapePdfString(const std::string& bytes)
{
    std::string escaped;
    for (char byte : bytes) {
        switch (byte) {
        case '(':
        case ')':
        case '\\':
            escaped += '\\';
            escaped += byte;
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += byte;
        }
    }
    return escaped;
}

std::string WritePdf(const std::vector<Page>& pages, const PdfPageFormat& format)
{
    constexpr int Catalog = 1;
    constexpr int PageTree = 2;
    constexpr int Font = 3;
    constexpr int FirstPage = 4;

    const std::vector<Page> onePage(1);
    const std::vector<Page>& written = pages.empty() ? onePage : pages;

    ObjectWriter writer;
    writer.Add(Catalog, "<< /Type /Catalog /Pages " + std::to_string(PageTree) + " 0 R >>");
    std::string kids;
    for (size_t i = 0; i < written.size(); ++i) {
        if (i > 0) {
            kids += ' ';
        }
        kids += std::to_string(FirstPage + 2 * i) + " 0 R";
    }
    writer.Add(PageTree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(written.size()) +
                             " /MediaBox [0 0 " + Number(format.width) + " " + Number(format.height) + "] >>");
    writer.Add(Font, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
    for (size_t i = 0; i < written.size(); ++i) {
        int pageNumber = FirstPage + 2 * static_cast<int>(i);
        writer.Add(pageNumber, "<< /Type /Page /Parent " + std::to_string(PageTree) + " 0 R /Resources << /Font << /F1 " +
                                   std::to_string(Font) + " 0 R >> >> /Contents " + std::to_string(pageNumber + 1) +
                                   " 0 R >>");
        writer.AddStream(pageNumber + 1, ContentStream(written[i], format));
    }
    return writer.Finish(Catalog);
}

} // namespace Converter
