#include "SfntWriter.h"

#include "TrueTypeFont.h"

#include <algorithm>
#include <stdexcept>

namespace Document {

void AppendU16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value >> 8 & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void AppendU32(std::string& out, uint32_t value)
{
    AppendU16(out, value >> 16);
    AppendU16(out, value & 0xFFFF);
}

void PutU16(std::string& out, size_t offset, uint32_t value)
{
    out.at(offset + 1) = static_cast<char>(value & 0xFF);
    out[offset] = static_cast<char>(value >> 8 & 0xFF);
}

void PutU32(std::string& out, size_t offset, uint32_t value)
{
    PutU16(out, offset, value >> 16);
    PutU16(out, offset + 2, value & 0xFFFF);
}

uint32_t SfntChecksum(std::string_view data)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        uint32_t word = 0;
        for (size_t j = 0; j < 4; ++j) {
            word = word << 8 | (i + j < data.size() ? static_cast<unsigned char>(data[i + j]) : 0u);
        }
        sum += word;
    }
    return sum;
}

std::string WriteSfnt(std::vector<SfntTable> tables)
{
    std::sort(tables.begin(), tables.end(), [](const SfntTable& a, const SfntTable& b) { return a.tag < b.tag; });
    uint32_t searchPower = 1;
    uint32_t entrySelector = 0;
    while (searchPower * 2 <= tables.size()) {
        searchPower *= 2;
        ++entrySelector;
    }
    std::string font;
    AppendU32(font, 0x00010000);
    AppendU16(font, static_cast<uint32_t>(tables.size()));
    AppendU16(font, searchPower * 16);
    AppendU16(font, entrySelector);
    AppendU16(font, static_cast<uint32_t>(tables.size()) * 16 - searchPower * 16);

    size_t headAt = std::string::npos;
    size_t offset = font.size() + 16 * tables.size();
    for (SfntTable& table : tables) {
        if (table.tag == SfntTag("head")) {
            if (table.data.size() < 12) {
                throw std::invalid_argument("WriteSfnt: the 'head' table is too short");
            }
            PutU32(table.data, 8, 0); // summed as zero, filled in below
            headAt = offset;
        }
        AppendU32(font, table.tag);
        AppendU32(font, SfntChecksum(table.data));
        AppendU32(font, static_cast<uint32_t>(offset));
        AppendU32(font, static_cast<uint32_t>(table.data.size()));
        offset += (table.data.size() + 3) / 4 * 4;
    }
    for (const SfntTable& table : tables) {
        font += table.data;
        font.append((4 - table.data.size() % 4) % 4, '\0');
    }
    if (headAt != std::string::npos) {
        PutU32(font, headAt + 8, 0xB1B0AFBA - SfntChecksum(font));
    }
    return font;
}

} // namespace Document
