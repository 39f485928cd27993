#pragma once
// Big-endian numbers read from one part of a TrueType font (a table, the
// table directory, one glyph), each read checked against the part's end.
#include "ByteReader.h"

namespace Document {

class SfntReader : public ByteReader {
public:
    // part names the bytes in the message, e.g. L"'hmtx' table"; it must
    // outlive the reader.
    SfntReader(std::string_view bytes, std::wstring_view part)
        : ByteReader(bytes, ByteOrder::BigEndian, L"The font", part) {}
};

} // namespace Document
