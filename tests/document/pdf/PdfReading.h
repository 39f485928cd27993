#pragma once
// Reads back what the PDF writers wrote, as a reader would: startxref at the
// end, the table or cross-reference stream it points at, each entry to its
// object (in the file or in an object stream), each stream's data (inflated
// where it is Flate-compressed). Fails the current test on the
// first thing a reader would stumble over.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Document {

struct PdfObjectText {
    std::string dictionary; // the object's text up to "stream", or all of it
    std::string stream;     // the stream's data, inflated; empty when none
};

// Object number -> object. Empty (and a test failure) when the structure is broken.
std::map<int, PdfObjectText> ReadPdfObjects(const std::string& pdf);

// The value of `key` ("/Width") among the top-level entries of a
// dictionary's text, as written ("200", "/DeviceRGB", "[1 0]", "<< ... >>",
// "5 0 R"), whatever the order of the entries; empty when absent.
std::string DictionaryValue(const std::string& dictionary, const std::string& key);

// The same value, or the dictionary of the object it refers to ("5 0 R").
std::string ResolvedValue(const std::map<int, PdfObjectText>& objects, const std::string& dictionary, const std::string& key);

// The object of a reference ("5 0 R"); an empty one (and a test failure)
// when there is none.
const PdfObjectText& Referenced(const std::map<int, PdfObjectText>& objects, const std::string& reference);

// The pages in their order, walking the page tree from its root.
std::vector<PdfObjectText> PageObjects(const std::map<int, PdfObjectText>& objects);
// A page's value of `key`, its own or inherited from the page tree
// (/MediaBox, /Resources), resolved as ResolvedValue does.
std::string PageValue(const std::map<int, PdfObjectText>& objects, const PdfObjectText& page, const std::string& key);

// The numbers of a number or an array of numbers ("[0 0 595.28 841.89]").
std::vector<double> NumbersIn(const std::string& text);

// One operation of a content stream: its operands as written ("12.5",
// "/F1", "(...)", "[...]", "<< ... >>"), then its operator ("Tj").
struct PdfOperation {
    std::vector<std::string> operands;
    std::string op;
};
std::vector<PdfOperation> ReadContentStream(const std::string& stream);

// The bytes a literal string ("(a\(b)") stands for, its escapes undone.
std::string LiteralStringBytes(const std::string& token);

// Glyph -> text, from a ToUnicode map's bfchar and bfrange blocks as a
// reader reads them, checking the limits readers rely on: at most 100
// entries a block, as many as announced, and ranges that step only the
// last byte.
std::map<uint16_t, std::u32string> ReadToUnicodeMap(const std::string& cmap);

// Objects whose dictionary holds `text`.
std::vector<PdfObjectText> ObjectsWith(const std::map<int, PdfObjectText>& objects, const std::string& text);

} // namespace Document
