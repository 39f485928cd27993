#include "GlyphCodes.h"

#include "CMapBlocks.h"

#include <algorithm>

namespace Document {
namespace {

constexpr size_t OneByteCodes = 0x80;
constexpr size_t TwoByteCodes = 0x8000;

void AppendHex(std::string& out, uint32_t value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += hex[(value >> shift) & 0xF];
    }
}

void AppendCode(std::string& out, GlyphCode code)
{
    out += '<';
    AppendHex(out, code.value, code.twoBytes ? 4 : 2);
    out += '>';
}

std::string Header(const char* ordering, const std::string& name, int type)
{
    return std::string("/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (") +
           ordering + ") /Supplement 0 >> def\n/CMapName /" + name + " def\n/CMapType " + std::to_string(type) +
           " def\n2 begincodespacerange\n<00> <7F>\n<8000> <FFFF>\nendcodespacerange\n";
}

const char* const Trailer = "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

} // namespace

std::optional<GlyphCode> GlyphCodes::CodeFor(uint16_t glyph)
{
    auto found = byGlyph_.find(glyph);
    if (found != byGlyph_.end()) {
        return found->second;
    }
    size_t n = assigned_.size();
    if (n >= OneByteCodes + TwoByteCodes) {
        return std::nullopt;
    }
    GlyphCode code = n < OneByteCodes ? GlyphCode{static_cast<uint16_t>(n), false}
                                      : GlyphCode{static_cast<uint16_t>(0x8000 + (n - OneByteCodes)), true};
    assigned_.emplace_back(code, glyph);
    byGlyph_.emplace(glyph, code);
    return code;
}

std::string GlyphCodes::EncodingCMap(const std::string& name) const
{
    std::string cmap = Header("Identity", name, 1);
    WriteCMapBlocks(cmap, assigned_, "cidchar", [&](const std::pair<GlyphCode, uint16_t>& entry) {
        AppendCode(cmap, entry.first);
        cmap += ' ' + std::to_string(entry.second) + '\n';
    });
    return cmap + Trailer;
}

std::string GlyphCodes::ToUnicodeCMap(const std::map<uint16_t, std::u32string>& glyphText) const
{
    std::vector<std::pair<GlyphCode, std::u32string>> entries;
    for (const auto& [code, glyph] : assigned_) {
        auto text = glyphText.find(glyph);
        if (text != glyphText.end() && !text->second.empty()) {
            entries.emplace_back(code, text->second);
        }
    }
    std::string cmap = Header("UCS", "Adobe-Identity-UCS", 2);
    WriteCMapBlocks(cmap, entries, "bfchar", [&](const std::pair<GlyphCode, std::u32string>& entry) {
        AppendCode(cmap, entry.first);
        cmap += " <";
        for (char32_t c : entry.second) {
            if (c >= 0x10000 && c <= 0x10FFFF) {
                AppendHex(cmap, 0xD800 + ((c - 0x10000) >> 10), 4);
                AppendHex(cmap, 0xDC00 + ((c - 0x10000) & 0x3FF), 4);
            } else if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
                AppendHex(cmap, c, 4);
            }
        }
        cmap += ">\n";
    });
    return cmap + Trailer;
}

} // namespace Document
