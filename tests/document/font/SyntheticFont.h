#pragma once
// A minimal TrueType font made of the test's own glyphs: the tables the
// reader needs and nothing else, so that a case can state exactly the glyph
// bytes or composite structure it is about (the fuzzer's findings among them).
#include "SfntWriter.h"
#include "TrueTypeFont.h"

#include <map>
#include <string>
#include <vector>

namespace Document {

// A simple glyph: one contour's header and payload bytes (never drawn, only carried).
inline std::string SimpleGlyph(size_t payload)
{
    std::string glyph;
    AppendU16(glyph, 1);
    for (int value : {0, 0, 500, 700}) {
        AppendU16(glyph, static_cast<uint16_t>(value));
    }
    glyph.append(payload, '\x5A');
    return glyph;
}

// A composite glyph drawn from the given glyphs, each at offset (0, 0).
inline std::string CompositeGlyph(const std::vector<uint16_t>& parts)
{
    std::string glyph;
    AppendU16(glyph, 0xFFFF); // numberOfContours -1
    for (int value : {0, 0, 500, 700}) {
        AppendU16(glyph, static_cast<uint16_t>(value));
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        // Arguments are words and offsets; more components follow but after the last.
        AppendU16(glyph, 0x0003 | (i + 1 < parts.size() ? 0x0020 : 0));
        AppendU16(glyph, parts[i]);
        AppendU32(glyph, 0);
    }
    return glyph;
}

struct SyntheticFont {
    std::vector<std::string> outlines; // glyph 0 first; stored without padding
    std::map<char32_t, uint16_t> characters;

    std::string Build() const
    {
        uint32_t count = static_cast<uint32_t>(outlines.size());
        std::string head(54, '\0');
        PutU32(head, 0, 0x00010000);
        PutU32(head, 12, 0x5F0F3CF5);
        PutU16(head, 18, 1000);
        PutU16(head, 40, 500);
        PutU16(head, 42, 700);
        PutU16(head, 50, 1); // long glyph locations
        std::string hhea(36, '\0');
        PutU32(hhea, 0, 0x00010000);
        PutU16(hhea, 4, 800);
        PutU16(hhea, 6, static_cast<uint16_t>(-200));
        PutU16(hhea, 34, count);
        std::string maxp;
        AppendU32(maxp, 0x00005000);
        AppendU16(maxp, count);
        std::string hmtx, loca, glyf;
        for (const std::string& outline : outlines) {
            AppendU16(hmtx, 500 + static_cast<uint32_t>(glyf.size() % 7));
            AppendU16(hmtx, 0);
            AppendU32(loca, static_cast<uint32_t>(glyf.size()));
            glyf += outline;
        }
        AppendU32(loca, static_cast<uint32_t>(glyf.size()));
        std::string cmap;
        AppendU16(cmap, 0);
        AppendU16(cmap, 1);
        AppendU16(cmap, 3);
        AppendU16(cmap, 10);
        AppendU32(cmap, 12);
        AppendU16(cmap, 12);
        AppendU16(cmap, 0);
        AppendU32(cmap, static_cast<uint32_t>(16 + 12 * characters.size()));
        AppendU32(cmap, 0);
        AppendU32(cmap, static_cast<uint32_t>(characters.size()));
        for (const auto& [c, glyph] : characters) {
            AppendU32(cmap, c);
            AppendU32(cmap, c);
            AppendU32(cmap, glyph);
        }
        return WriteSfnt({{SfntTag("head"), head}, {SfntTag("hhea"), hhea}, {SfntTag("maxp"), maxp}, {SfntTag("hmtx"), hmtx},
                          {SfntTag("loca"), loca}, {SfntTag("glyf"), glyf}, {SfntTag("cmap"), cmap}});
    }
};

} // namespace Document
