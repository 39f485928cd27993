#pragma once
// Reads back what the PDF writers wrote, as a reader would: startxref at the
// end, the table or cross-reference stream it points at, each entry to its
// object (in the file or in an object stream), each stream's data (inflated
// where it is Flate-compressed). Fails the current test on the
// first thing a reader would stumble over.
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

// Objects whose dictionary holds `text`.
std::vector<PdfObjectText> ObjectsWith(const std::map<int, PdfObjectText>& objects, const std::string& text);

} // namespace Document
