#pragma once
// Writes a TrueType font file from its tables: the table directory sorted by
// tag, each table padded to four bytes, every table's checksum and the
// whole-file checksum adjustment in 'head', as a font reader checks them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

struct SfntTable {
    uint32_t tag = 0;
    std::string data;
};

// The font file; the tables may come in any order. 'head', when present, must
// be at least 12 bytes long (its checksum adjustment is rewritten).
std::string WriteSfnt(std::vector<SfntTable> tables);

// The sum of the data as big-endian 32-bit words, the last one padded with zeros.
uint32_t SfntChecksum(std::string_view data);

// Appends a big-endian number.
void AppendU16(std::string& out, uint32_t value);
void AppendU32(std::string& out, uint32_t value);
// Overwrites a big-endian number at offset, which must lie inside out.
void PutU16(std::string& out, size_t offset, uint32_t value);
void PutU32(std::string& out, size_t offset, uint32_t value);

} // namespace Document
