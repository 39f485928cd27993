#include "PdfReading.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <regex>
#include <string_view>
#include <sstream>

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

// The object that begins at offset, numbered n: its dictionary, and its
// stream's data (inflated where it is Flate-compressed). False (and a test
// failure) when the offset does not lead to it.
bool ReadObjectAt(const std::string& pdf, size_t offset, size_t n, PdfObjectText& object)
{
    std::string begin = std::to_string(n) + " 0 obj\n";
    if (offset >= pdf.size() || pdf.compare(offset, begin.size(), begin) != 0) {
        ADD_FAILURE() << "entry " << n << " does not lead to its object";
        return false;
    }
    size_t end = pdf.find("\nendobj\n", offset);
    std::string body = pdf.substr(offset + begin.size(), end - offset - begin.size());
    size_t streamAt = body.find(">>\nstream\n");
    object.dictionary = body.substr(0, streamAt == std::string::npos ? body.size() : streamAt + 2);
    if (streamAt != std::string::npos) {
        std::smatch length;
        EXPECT_TRUE(std::regex_search(object.dictionary, length, std::regex("/Length (\\d+)"))) << "object " << n;
        size_t dataAt = streamAt + 10;
        std::string data = body.substr(dataAt, std::stoul(length[1]));
        EXPECT_EQ(body.compare(dataAt + data.size(), std::string::npos, "\nendstream"), 0)
            << "object " << n << ": /Length does not reach the stream's end";
        object.stream = object.dictionary.find("/Filter /FlateDecode") != std::string::npos ? InflateStream(data) : data;
    }
    return true;
}

bool Delimiter(char c) { return std::string_view(" \t\r\n/[]<>()").find(c) != std::string_view::npos; }

// Where the object that starts at `at` ends: a dictionary, an array, a
// string, a hex string, or a single token.
size_t ValueEnd(const std::string& text, size_t at)
{
    if (text.compare(at, 2, "<<") == 0 || text[at] == '[') {
        int depth = 0;
        for (size_t i = at; i < text.size();) {
            if (text.compare(i, 2, "<<") == 0 || text.compare(i, 2, ">>") == 0) {
                depth += text[i] == '<' ? 1 : -1;
                i += 2;
            } else if (text[i] == '[' || text[i] == ']') {
                depth += text[i] == '[' ? 1 : -1;
                ++i;
            } else if (text[i] == '(' || text[i] == '<') {
                i = ValueEnd(text, i);
            } else {
                ++i;
            }
            if (depth == 0) {
                return i;
            }
        }
        return text.size();
    }
    if (text[at] == '(') {
        int depth = 0;
        for (size_t i = at; i < text.size(); ++i) {
            if (text[i] == '\\') {
                ++i;
            } else if (text[i] == '(' || text[i] == ')') {
                depth += text[i] == '(' ? 1 : -1;
                if (depth == 0) {
                    return i + 1;
                }
            }
        }
        return text.size();
    }
    if (text[at] == '<') {
        return std::min(text.size(), text.find('>', at) + 1);
    }
    size_t i = at + 1;
    while (i < text.size() && !Delimiter(text[i])) {
        ++i;
    }
    return i;
}

} // namespace

std::string DictionaryValue(const std::string& dictionary, const std::string& key)
{
    size_t at = dictionary.find("<<");
    if (at == std::string::npos) {
        return {};
    }
    at += 2;
    const auto skipBlanks = [&] {
        while (at < dictionary.size() && std::isspace(static_cast<unsigned char>(dictionary[at]))) {
            ++at;
        }
    };
    for (;;) {
        skipBlanks();
        if (at >= dictionary.size() || dictionary.compare(at, 2, ">>") == 0 || dictionary[at] != '/') {
            return {};
        }
        const size_t keyEnd = ValueEnd(dictionary, at);
        const std::string name = dictionary.substr(at, keyEnd - at);
        at = keyEnd;
        skipBlanks();
        const size_t start = at;
        at = ValueEnd(dictionary, at);
        // A reference: "5 0 R".
        static const std::regex reference("^ +\\d+ +R");
        std::smatch tail;
        const std::string rest = dictionary.substr(at, 16);
        if (std::isdigit(static_cast<unsigned char>(dictionary[start])) && std::regex_search(rest, tail, reference)) {
            at += tail.length(0);
        }
        if (name == key) {
            return dictionary.substr(start, at - start);
        }
    }
}

namespace {

size_t IntegerOf(const std::string& dictionary, const std::string& key)
{
    std::smatch value;
    if (!std::regex_search(dictionary, value, std::regex("/" + key + " (\\d+)"))) {
        ADD_FAILURE() << "no /" << key << " in " << dictionary;
        return 0;
    }
    return std::stoul(value[1]);
}

struct XrefEntry {
    int type = 0;      // 1: at an offset; 2: in an object stream
    size_t field2 = 0; // the offset, or the object stream's number
    size_t field3 = 0; // the index in the object stream
};

// A cross-reference table ("xref") or stream, as entries by object number.
std::vector<XrefEntry> ReadXref(const std::string& pdf, size_t xref)
{
    std::vector<XrefEntry> entries;
    if (pdf.compare(xref, 5, "xref\n") == 0) {
        std::smatch header;
        std::string table = pdf.substr(xref + 5);
        if (!std::regex_search(table, header, std::regex("^0 (\\d+)\n"))) {
            ADD_FAILURE() << "no subsection header";
            return {};
        }
        size_t count = std::stoul(header[1]);
        entries.resize(count);
        for (size_t n = 1; n < count; ++n) {
            std::string entry = table.substr(header.length(0) + 20 * n, 20);
            if (!std::regex_match(entry, std::regex("\\d{10} 00000 n \n"))) {
                ADD_FAILURE() << "entry " << n << ": " << entry;
                return {};
            }
            entries[n] = XrefEntry{1, std::stoul(entry), 0};
        }
        EXPECT_EQ(table.compare(header.length(0) + 20 * count, 8, "trailer\n"), 0);
        return entries;
    }
    std::smatch number;
    std::string head = pdf.substr(xref, 20);
    if (!std::regex_search(head, number, std::regex("^(\\d+) 0 obj\n"))) {
        ADD_FAILURE() << "startxref points at neither a table nor an object";
        return {};
    }
    PdfObjectText stream;
    if (!ReadObjectAt(pdf, xref, std::stoul(number[1]), stream)) {
        return {};
    }
    if (stream.dictionary.find("/Type /XRef") == std::string::npos ||
        stream.dictionary.find("/W [1 4 2]") == std::string::npos) {
        ADD_FAILURE() << "not a cross-reference stream this reader knows: " << stream.dictionary;
        return {};
    }
    size_t count = IntegerOf(stream.dictionary, "Size");
    EXPECT_EQ(stream.stream.size(), 7 * count) << "entries of 7 bytes for /Size objects";
    auto field = [&](size_t at, int bytes) {
        size_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = value << 8 | static_cast<unsigned char>(stream.stream[at + i]);
        }
        return value;
    };
    for (size_t n = 0; n < count && 7 * n + 7 <= stream.stream.size(); ++n) {
        entries.push_back(XrefEntry{static_cast<int>(field(7 * n, 1)), field(7 * n + 1, 4), field(7 * n + 5, 2)});
    }
    EXPECT_EQ(entries.size() > 0 ? entries[0].type : -1, 0) << "object 0 is free";
    size_t own = std::stoul(number[1]);
    EXPECT_TRUE(own < entries.size() && entries[own].type == 1 && entries[own].field2 == xref)
        << "the stream lists itself";
    return entries;
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
    std::vector<XrefEntry> entries = ReadXref(pdf, std::stoul(pdf.substr(at + 10)));
    if (entries.empty()) {
        return {};
    }
    for (size_t n = 1; n < entries.size(); ++n) {
        if (entries[n].type != 1) {
            continue;
        }
        PdfObjectText object;
        if (!ReadObjectAt(pdf, entries[n].field2, n, object)) {
            return {};
        }
        objects[static_cast<int>(n)] = object;
    }
    // An object stream: N pairs "number offset" (from /First), then the objects.
    for (size_t n = 1; n < entries.size(); ++n) {
        if (entries[n].type == 1) {
            continue;
        }
        EXPECT_EQ(entries[n].type, 2) << "object " << n << " is not in the file";
        const PdfObjectText& holder = objects[static_cast<int>(entries[n].field2)];
        EXPECT_NE(holder.dictionary.find("/Type /ObjStm"), std::string::npos) << "object " << n;
        size_t count = IntegerOf(holder.dictionary, "N"), first = IntegerOf(holder.dictionary, "First");
        std::istringstream pairs(holder.stream.substr(0, first));
        std::vector<std::pair<size_t, size_t>> held(count);
        for (auto& [number, offset] : held) {
            pairs >> number >> offset;
        }
        size_t index = entries[n].field3;
        if (index >= count || held[index].first != n) {
            ADD_FAILURE() << "object " << n << " is not at its place in object stream " << entries[n].field2;
            return {};
        }
        size_t end = index + 1 < count ? held[index + 1].second : holder.stream.size() - first;
        std::string text = holder.stream.substr(first + held[index].second, end - held[index].second);
        objects[static_cast<int>(n)].dictionary = text.substr(0, text.find_last_not_of(" \n") + 1);
    }
    return objects;
}

namespace {

std::u16string Units(const std::string& hex)
{
    std::u16string units;
    for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
        units += static_cast<char16_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
    }
    return units;
}

std::u32string Decode(const std::u16string& units)
{
    std::u32string text;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        text += c;
    }
    return text;
}

} // namespace

std::map<uint16_t, std::u32string> ReadToUnicodeMap(const std::string& cmap)
{
    std::map<uint16_t, std::u32string> glyphText;
    std::istringstream in(cmap);
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        std::string keyword = space == std::string::npos ? "" : line.substr(space + 1);
        if (keyword != "beginbfchar" && keyword != "beginbfrange") {
            continue;
        }
        size_t announced = std::stoul(line.substr(0, space));
        EXPECT_LE(announced, 100u) << line;
        size_t entries = 0;
        while (std::getline(in, line) && line.rfind("end", 0) != 0) {
            ++entries;
            std::vector<std::string> fields;
            for (size_t at = line.find('<'); at != std::string::npos; at = line.find('<', at + 1)) {
                fields.push_back(line.substr(at + 1, line.find('>', at) - at - 1));
            }
            if (keyword == "beginbfchar") {
                EXPECT_EQ(fields.size(), 2u) << line;
                glyphText[static_cast<uint16_t>(std::stoul(fields[0], nullptr, 16))] = Decode(Units(fields[1]));
                continue;
            }
            EXPECT_EQ(fields.size(), 3u) << line;
            uint32_t first = std::stoul(fields[0], nullptr, 16);
            uint32_t last = std::stoul(fields[1], nullptr, 16);
            std::u16string text = Units(fields[2]);
            EXPECT_EQ(first >> 8, last >> 8) << "range crosses a high byte: " << line;
            EXPECT_LE((text.back() & 0xFF) + (last - first), 0xFFu) << "destination overflows its last byte: " << line;
            EXPECT_LT(text.back() + (last - first), 0x80u) << "Ghostscript reads a range beyond ASCII wrongly: " << line;
            for (uint32_t glyph = first; glyph <= last; ++glyph) {
                glyphText[static_cast<uint16_t>(glyph)] = Decode(text);
                ++text.back();
            }
        }
        EXPECT_EQ(entries, announced) << "block before: " << line;
    }
    return glyphText;
}

std::vector<PdfOperation> ReadContentStream(const std::string& stream)
{
    std::vector<PdfOperation> operations;
    PdfOperation next;
    for (size_t at = 0; at < stream.size();) {
        if (std::isspace(static_cast<unsigned char>(stream[at]))) {
            ++at;
            continue;
        }
        if (stream[at] == '%') {
            at = std::min(stream.size(), stream.find('\n', at));
            continue;
        }
        const size_t end = std::max(at + 1, ValueEnd(stream, at));
        const std::string token = stream.substr(at, end - at);
        at = end;
        const char first = token[0];
        const bool operand = std::isdigit(static_cast<unsigned char>(first)) || std::string_view("+-./[(<").find(first) != std::string_view::npos ||
                             token == "true" || token == "false" || token == "null";
        if (operand) {
            next.operands.push_back(token);
        } else {
            next.op = token;
            operations.push_back(std::move(next));
            next = PdfOperation();
        }
    }
    EXPECT_TRUE(next.operands.empty()) << "operands without an operator at the end of the stream";
    return operations;
}

std::string LiteralStringBytes(const std::string& token)
{
    std::string bytes;
    if (token.size() < 2 || token.front() != '(' || token.back() != ')') {
        ADD_FAILURE() << "not a literal string: " << token;
        return bytes;
    }
    for (size_t i = 1; i + 1 < token.size(); ++i) {
        if (token[i] != '\\') {
            bytes += token[i];
            continue;
        }
        const char c = token[++i];
        if (c >= '0' && c <= '7') {
            int value = 0;
            for (int digits = 0; digits < 3 && token[i] >= '0' && token[i] <= '7'; ++digits, ++i) {
                value = value * 8 + (token[i] - '0');
            }
            --i;
            bytes += static_cast<char>(value);
        } else if (c == '\n' || c == '\r') {
            i += c == '\r' && token[i + 1] == '\n'; // a line continued
        } else {
            const std::string_view from = "nrtbf", to = "\n\r\t\b\f";
            const size_t escape = from.find(c);
            bytes += escape == std::string_view::npos ? c : to[escape];
        }
    }
    return bytes;
}

std::vector<double> NumbersIn(const std::string& text)
{
    std::vector<double> numbers;
    std::string spaced = text;
    std::replace_if(spaced.begin(), spaced.end(), [](char c) { return c == '[' || c == ']'; }, ' ');
    std::istringstream in(spaced);
    for (double number; in >> number;) {
        numbers.push_back(number);
    }
    return numbers;
}

const PdfObjectText& Referenced(const std::map<int, PdfObjectText>& objects, const std::string& reference)
{
    static const PdfObjectText none;
    std::smatch number;
    if (!std::regex_match(reference, number, std::regex("(\\d+) 0 R"))) {
        ADD_FAILURE() << "not a reference: " << reference;
        return none;
    }
    const auto found = objects.find(std::stoi(number[1]));
    if (found == objects.end()) {
        ADD_FAILURE() << "no object " << reference;
        return none;
    }
    return found->second;
}

std::string ResolvedValue(const std::map<int, PdfObjectText>& objects, const std::string& dictionary, const std::string& key)
{
    const std::string value = DictionaryValue(dictionary, key);
    return std::regex_match(value, std::regex("\\d+ 0 R")) ? Referenced(objects, value).dictionary : value;
}

std::vector<PdfObjectText> PageObjects(const std::map<int, PdfObjectText>& objects)
{
    std::vector<PdfObjectText> pages;
    const std::function<void(const PdfObjectText&, int)> walk = [&](const PdfObjectText& node, int depth) {
        if (depth > 32) {
            ADD_FAILURE() << "the page tree does not end";
            return;
        }
        const std::string type = DictionaryValue(node.dictionary, "/Type");
        if (type == "/Page") {
            pages.push_back(node);
            return;
        }
        EXPECT_EQ(type, "/Pages") << node.dictionary;
        const std::string kids = DictionaryValue(node.dictionary, "/Kids");
        static const std::regex reference("\\d+ 0 R");
        for (std::sregex_iterator kid(kids.begin(), kids.end(), reference), end; kid != end; ++kid) {
            walk(Referenced(objects, kid->str()), depth + 1);
        }
    };
    for (const auto& [number, object] : objects) {
        if (DictionaryValue(object.dictionary, "/Type") == "/Pages" && DictionaryValue(object.dictionary, "/Parent").empty()) {
            walk(object, 0);
            return pages;
        }
    }
    ADD_FAILURE() << "no page tree";
    return pages;
}

std::string PageValue(const std::map<int, PdfObjectText>& objects, const PdfObjectText& page, const std::string& key)
{
    const PdfObjectText* node = &page;
    for (int depth = 0; depth < 32; ++depth) {
        const std::string value = ResolvedValue(objects, node->dictionary, key);
        const std::string parent = DictionaryValue(node->dictionary, "/Parent");
        if (!value.empty() || parent.empty()) {
            return value;
        }
        node = &Referenced(objects, parent);
    }
    ADD_FAILURE() << "the page tree does not end";
    return {};
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
