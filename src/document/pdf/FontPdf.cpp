#include "FontPdf.h"

#include "ToUnicodeCMap.h"

#include <cmath>

namespace Document {
namespace {

// Font units to the thousandths of the em that PDF's glyph space counts in.
int Thousandths(const FontMetrics& metrics, int fontUnits)
{
    return metrics.unitsPerEm <= 0 ? 0 : static_cast<int>(std::lround(fontUnits * 1000.0 / metrics.unitsPerEm));
}

// The most frequent width: the /DW that the glyphs a reader is not told
// about (none that is shown) get.
int DefaultWidth(const GlyphWidths& widths)
{
    std::map<int, size_t> frequency;
    for (const auto& entry : widths) {
        ++frequency[entry.second];
    }
    int common = 1000;
    size_t most = 0;
    for (const auto& [width, count] : frequency) {
        if (count > most) {
            most = count;
            common = width;
        }
    }
    return common;
}

// Every glyph shown, with its width: "first last width" for consecutive
// glyphs of one width, "first [width ...]" for consecutive glyphs of
// differing widths.
PdfArray WidthArray(const GlyphWidths& widths)
{
    PdfArray array;
    for (auto it = widths.begin(); it != widths.end();) {
        auto sameEnd = std::next(it);
        while (sameEnd != widths.end() && sameEnd->first == std::prev(sameEnd)->first + 1 &&
               sameEnd->second == it->second) {
            ++sameEnd;
        }
        if (std::distance(it, sameEnd) >= 2) {
            array.Integer(it->first).Integer(std::prev(sameEnd)->first).Integer(it->second);
            it = sameEnd;
            continue;
        }
        PdfArray list;
        uint16_t first = it->first;
        auto previous = it;
        list.Integer(it->second);
        for (++it; it != widths.end() && it->first == previous->first + 1; previous = it++) {
            auto next = std::next(it);
            if (next != widths.end() && next->first == it->first + 1 && next->second == it->second) {
                break; // the start of a run of one width
            }
            list.Integer(it->second);
        }
        array.Integer(first).Array(list);
    }
    return array;
}

PdfDictionary Descriptor(const FontSubsetFacts& font, PdfRef fontFile)
{
    const FontMetrics& m = font.metrics;
    constexpr int FixedPitch = 1, Symbolic = 4, Italic = 64;
    // Symbolic: the glyphs reach beyond the standard Latin set.
    int flags = (m.fixedPitch ? FixedPitch : 0) | Symbolic | (m.italic || m.italicAngle != 0 ? Italic : 0);
    // TrueType states no stem width; this estimate from the weight class is the usual one.
    auto stemV = std::lround(50 + std::pow(m.weightClass / 65.0, 2));
    return PdfDictionary()
        .Name(Pdf::Type, Pdf::FontDescriptor)
        .MadeName(Pdf::FontName, font.name)
        .Integer(Pdf::Flags, flags)
        .Array(Pdf::FontBBox, PdfArray()
                                  .Integer(Thousandths(m, m.xMin))
                                  .Integer(Thousandths(m, m.yMin))
                                  .Integer(Thousandths(m, m.xMax))
                                  .Integer(Thousandths(m, m.yMax)))
        .Real(Pdf::ItalicAngle, m.italicAngle)
        .Integer(Pdf::Ascent, Thousandths(m, m.ascent))
        .Integer(Pdf::Descent, Thousandths(m, m.descent))
        .Integer(Pdf::CapHeight, Thousandths(m, m.capHeight))
        .Integer(Pdf::StemV, stemV)
        .Ref(Pdf::FontFile2, fontFile);
}

} // namespace

PdfRef WriteFontPdf(PdfFile& file, const FontSubsetFacts& font, const std::map<uint16_t, std::u32string>& glyphText,
                    const GlyphWidths& widths)
{
    PdfRef type0 = file.Reserve(), descendant = file.Reserve(), descriptor = file.Reserve(),
           fontFile = file.Reserve(), toUnicode = file.Reserve();
    file.Write(type0, PdfDictionary()
                          .Name(Pdf::Type, Pdf::Font)
                          .Name(Pdf::Subtype, Pdf::Type0)
                          .MadeName(Pdf::BaseFont, font.name)
                          .Name(Pdf::Encoding, Pdf::IdentityH)
                          .Array(Pdf::DescendantFonts, PdfArray().Ref(descendant))
                          .Ref(Pdf::ToUnicode, toUnicode));
    file.Write(descendant, PdfDictionary()
                               .Name(Pdf::Type, Pdf::Font)
                               .Name(Pdf::Subtype, Pdf::CIDFontType2)
                               .MadeName(Pdf::BaseFont, font.name)
                               .Dictionary(Pdf::CIDSystemInfo, PdfDictionary()
                                                                   .Bytes(Pdf::Registry, "Adobe")
                                                                   .Bytes(Pdf::Ordering, "Identity")
                                                                   .Integer(Pdf::Supplement, 0))
                               .Ref(Pdf::FontDescriptor, descriptor)
                               .Integer(Pdf::DW, DefaultWidth(widths))
                               .Array(Pdf::W, WidthArray(widths))
                               .Name(Pdf::CIDToGIDMap, Pdf::Identity));
    file.Write(descriptor, Descriptor(font, fontFile));
    file.WriteCompressedStream(fontFile,
                               PdfDictionary().Integer(Pdf::Length1, static_cast<long long>(font.file.size())),
                               font.file);
    file.WriteCompressedStream(toUnicode, PdfDictionary(), ToUnicodeCMap(glyphText));
    return type0;
}

} // namespace Document
