#include "PdfReading.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <regex>

namespace Document {
namespace {

std::string InflateStream(const std::string& data)
{
    z_stream stream{};
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    std::string out;
    char buffer[65536];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    EXPECT_EQ(result, Z_STREAM_END) << "a Flate stream does not inflate";
    inflateEnd(&stream);
    return out;
}

} // namespace

std::map<int, PdfObjectText> ReadPdfObjects(const std::string& pdf)
{
    std::map<int, PdfObjectText> objects;
    size_t at = pdf.rfind("startxref\n");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no startxref";
        return {};
    }
    size_t xref = std::stoul(pdf.substr(at + 10));
    if (pdf.compare(xref, 5, "xref\n") != 0) {
        ADD_FAILURE() << "startxref does not point at the table";
        return {};
    }
    std::smatch header;
    std::string table = pdf.substr(xref + 5);
    if (!std::regex_search(table, header, std::regex("^0 (\\d+)\n"))) {
        ADD_FAILURE() << "no subsection header";
        return {};
    }
    size_t count = std::stoul(header[1]);
    for (size_t n = 1; n < count; ++n) {
        std::string entry = table.substr(header.length(0) + 20 * n, 20);
        if (!std::regex_match(entry, std::regex("\\d{10} 00000 n \n"))) {
            ADD_FAILURE() << "entry " << n << ": " << entry;
            return {};
        }
        size_t offset = std::stoul(entry);
        std::string begin = std::to_string(n) + " 0 obj\n";
        if (pdf.compare(offset, begin.size(), begin) != 0) {
            ADD_FAILURE() << "entry " << n << " does not lead to its object";
            return {};
        }
        size_t end = pdf.find("\nendobj\n", offset);
        std::string body = pdf.substr(offset + begin.size(), end - offset - begin.size());
        PdfObjectText object;
        size_t streamAt = body.find(">>\nstream\n");
        object.dictionary = body.substr(0, streamAt == std::string::npos ? body.size() : streamAt + 2);
        if (streamAt != std::string::npos) {
            std::smatch length;
            EXPECT_TRUE(std::regex_search(object.dictionary, length, std::regex("/Length (\\d+)"))) << "object " << n;
            size_t dataAt = streamAt + 10;
            std::string data = body.substr(dataAt, std::stoul(length[1]));
            EXPECT_EQ(body.compare(dataAt + data.size(), std::string::npos, "\nendstream"), 0)
                << "object " << n << ": /Length does not reach the stream's end";
            object.stream = object.dictionary.find("/Filter /FlateDecode") != std::string::npos ? InflateStream(data)
                                                                                                 : data;
        }
        objects[static_cast<int>(n)] = object;
    }
    EXPECT_EQ(table.compare(header.length(0) + 20 * count, 8, "trailer\n"), 0);
    return objects;
}

std::vector<PdfObjectText> ObjectsWith(const std::map<int, PdfObjectText>& objects, const std::string& text)
{
    std::vector<PdfObjectText> found;
    for (const auto& [number, object] : objects) {
        if (object.dictionary.find(text) != std::string::npos) {
            found.push_back(object);
        }
    }
    return found;
}

} // namespace Document
