// The text writer under a fuzzer, on text of many scripts at once: each two
// bytes of the input pick a character that one of the machine's fonts has
// (Latin, Arabic, Hebrew, the Indic scripts, Thai, Lao, Khmer, Myanmar) or a
// blank, line end or direction mark. The text is laid out and written to PDF
// as the converter does (one LineShaper over the fonts' FontList, which
// PageLayouter asks whether a line fits and TextPdfWriter draws with, then
// TextPdfWriter::AddPage and Finish), and the PDF is read back with qpdf:
//   - every glyph drawn is in its font's subset, with the original's outline
//     (or, for a glyph the subset adds, within the subset's glyphs);
//   - every character of the text is mapped: the ToUnicode text of a glyph
//     drawn, or an /ActualText, gives it back;
//   - no glyph ends past the end of its line, unless the line starts with a
//     cluster wider than the line (tens of vowel signs on one letter), which
//     the layout leaves whole.
// fuzz-seeds: *.txt README* *.po
// fuzz-max-len: 600
#include "DocumentError.h"
#include "FontList.h"
#include "GraphemeBreak.h"
#include "PageLayout.h"
#include "ShapedLine.h"
#include "Shaper.h"
#include "TextPdf.h"
#include "ThaiWordBreak.h"
#include "TrueTypeFont.h"
#include "TrueTypeTextFont.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Document;

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "ShapedTextFuzz: %s\n", what.c_str());
    std::abort();
}

struct LoadedFont {
    std::unique_ptr<TrueTypeFont> font;
    std::unique_ptr<TrueTypeTextFont> text;
};

// The main font first, then the fallbacks, each with the characters it
// gives the input to pick from.
struct Fonts {
    std::vector<LoadedFont> fonts;
    std::vector<std::vector<char32_t>> groups;
};

const Fonts& MachineFonts()
{
    static const Fonts loaded = [] {
        const char* files[] = {
            "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansArabic-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansHebrew-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansDevanagari-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansBengali-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansTamil-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansThai-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansLao-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansKhmer-Regular.ttf",
            "/usr/share/fonts/truetype/noto/NotoSansMyanmar-Regular.ttf",
        };
        Fonts fonts;
        for (const char* file : files) {
            std::ifstream in(file, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            if (!in) {
                Fail(std::string("no font ") + file + " (scripts/setup installs it)");
            }
            LoadedFont font;
            font.font = std::make_unique<TrueTypeFont>(bytes.str());
            font.text = std::make_unique<TrueTypeTextFont>(*font.font);
            // The main font gives Latin and the rest of what it has below
            // U+0370; each fallback its own script's characters.
            bool main = fonts.fonts.empty();
            std::vector<char32_t> group;
            for (char32_t c = main ? 0x21 : 0x370; c < (main ? 0x370 : 0x2000); ++c) {
                if (font.font->GlyphFor(c) != 0) {
                    group.push_back(c);
                }
            }
            fonts.groups.push_back(std::move(group));
            fonts.fonts.push_back(std::move(font));
        }
        // Blanks, line ends, joiners and the marks of direction, which the
        // layout and the bidirectional order act on.
        fonts.groups.push_back({U' ', U' ', U' ', U'\n', U'\t', U'\r', U'\f', 0xA0, 0x200B, 0x200C, 0x200D, 0x200E,
                                0x200F, 0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069, 0x061C,
                                0x0640, U'0', U'5', 0x0661, U'(', U')', U'-', U'.', U',', U'?'});
        return fonts;
    }();
    return loaded;
}

std::u32string TextFrom(const uint8_t* data, size_t size, const Fonts& fonts)
{
    std::u32string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const std::vector<char32_t>& group = fonts.groups[(data[i] & 0x0F) % fonts.groups.size()];
        text += group[((data[i] >> 4) << 8 | data[i + 1]) % group.size()];
    }
    return text;
}

// Characters that need not come back from the PDF: blanks, controls and
// the invisible marks, and the characters of a right-to-left run that are
// drawn mirrored, whose glyph is their mirror's.
bool NeedsNoText(char32_t c)
{
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0x061C || c == 0x0640 ||
           (c >= 0x2000 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFE00 && c <= 0xFE0F) ||
           std::u32string_view(U"()<>[]{}\u00AB\u00BB").find(c) != std::u32string_view::npos;
}

std::u32string FromUtf16Hex(const std::string& hex)
{
    std::vector<uint16_t> units;
    for (size_t i = 0; i + 4 <= hex.size(); i += 4) {
        units.push_back(static_cast<uint16_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
    }
    std::u32string text;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size()) {
            text += static_cast<char32_t>(0x10000 + ((units[i] - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            text += units[i];
        }
    }
    return text;
}

std::u32string FromUtf8(const std::string& bytes)
{
    std::u32string text;
    for (size_t i = 0; i < bytes.size();) {
        unsigned char b = bytes[i];
        int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < bytes.size(); ++k) {
            c = c << 6 | (bytes[i + k] & 0x3F);
        }
        text += c;
        i += extra + 1;
    }
    return text;
}

// A ToUnicode map's bfchar and bfrange entries, as a reader takes them.
std::map<uint16_t, std::u32string> ReadToUnicode(const std::string& cmap)
{
    std::map<uint16_t, std::u32string> map;
    std::istringstream in(cmap);
    std::string token;
    std::string mode;
    std::vector<std::string> hex;
    auto hexOf = [](const std::string& t) { return t.substr(1, t.size() - 2); };
    while (in >> token) {
        if (token == "beginbfchar" || token == "beginbfrange" || token == "endbfchar" || token == "endbfrange") {
            mode = token.substr(0, 3) == "end" ? "" : token;
            hex.clear();
        } else if (!mode.empty() && token.front() == '<') {
            hex.push_back(hexOf(token));
            if (mode == "beginbfchar" && hex.size() == 2) {
                map[static_cast<uint16_t>(std::stoul(hex[0], nullptr, 16))] = FromUtf16Hex(hex[1]);
                hex.clear();
            } else if (mode == "beginbfrange" && hex.size() == 3) {
                unsigned first = std::stoul(hex[0], nullptr, 16), last = std::stoul(hex[1], nullptr, 16);
                std::u32string start = FromUtf16Hex(hex[2]);
                for (unsigned g = first; g <= last && !start.empty(); ++g) {
                    std::u32string text = start;
                    text.back() += g - first;
                    map[static_cast<uint16_t>(g)] = text;
                }
                hex.clear();
            }
        } else if (!mode.empty() && token.front() == '[') {
            Fail("a bfrange array, which the writer does not write");
        }
    }
    return map;
}

// A font of a page's resources, read back.
struct PdfFont {
    std::string name;
    const TrueTypeFont* original = nullptr;
    std::unique_ptr<TrueTypeFont> subset;
    std::map<uint16_t, double> widths;
    double defaultWidth = 1000;
    std::map<uint16_t, std::u32string> toUnicode;
};

PdfFont ReadFont(QPDFObjectHandle font, const Fonts& fonts)
{
    PdfFont read;
    std::string name = font.getKey("/BaseFont").getName();
    read.name = name;
    for (const LoadedFont& loaded : fonts.fonts) {
        if (name.size() > 8 && name.substr(8) == loaded.font->PostScriptName()) {
            read.original = loaded.font.get();
        }
    }
    if (!read.original) {
        Fail("a font that was not given: " + name);
    }
    QPDFObjectHandle cid = font.getKey("/DescendantFonts").getArrayItem(0);
    if (!cid.getKey("/CIDToGIDMap").isNameAndEquals("/Identity")) {
        Fail("a CIDToGIDMap other than /Identity");
    }
    std::shared_ptr<Buffer> file =
        cid.getKey("/FontDescriptor").getKey("/FontFile2").getStreamData(qpdf_dl_generalized);
    read.subset = std::make_unique<TrueTypeFont>(
        std::string(reinterpret_cast<const char*>(file->getBuffer()), file->getSize()));
    if (cid.getKey("/DW").isNumber()) {
        read.defaultWidth = cid.getKey("/DW").getNumericValue();
    }
    std::vector<QPDFObjectHandle> w = cid.getKey("/W").getArrayAsVector();
    for (size_t i = 0; i + 1 < w.size();) {
        long long first = w[i].getIntValue();
        if (w[i + 1].isArray()) {
            std::vector<QPDFObjectHandle> each = w[i + 1].getArrayAsVector();
            for (size_t k = 0; k < each.size(); ++k) {
                read.widths[static_cast<uint16_t>(first + k)] = each[k].getNumericValue();
            }
            i += 2;
        } else {
            for (long long g = first; g <= w[i + 1].getIntValue(); ++g) {
                read.widths[static_cast<uint16_t>(g)] = w[i + 2].getNumericValue();
            }
            i += 3;
        }
    }
    std::shared_ptr<Buffer> cmap = font.getKey("/ToUnicode").getStreamData(qpdf_dl_generalized);
    read.toUnicode = ReadToUnicode(std::string(reinterpret_cast<const char*>(cmap->getBuffer()), cmap->getSize()));
    return read;
}

// The glyph, and each glyph it is built from, in the subset as in the font.
void CheckInSubset(const PdfFont& font, uint16_t glyph, int depth = 0)
{
    if (glyph >= font.subset->GlyphCount() || depth > 8) {
        Fail("glyph " + std::to_string(glyph) + " drawn but not in the subset");
    }
    std::string_view kept = font.subset->GlyphOutline(glyph);
    if (glyph < font.original->GlyphCount()) {
        std::string_view outline = font.original->GlyphOutline(glyph);
        if (kept.substr(0, outline.size()) != outline || kept.size() >= outline.size() + 4) {
            Fail("glyph " + std::to_string(glyph) + " drawn but its outline is not the font's in the subset");
        }
    }
    for (uint16_t part : font.subset->ComponentsOf(glyph)) {
        CheckInSubset(font, part, depth + 1);
    }
}

// Walks a page's text operators as a reader does, for the glyphs drawn,
// where they end and the text they stand for.
class PageReader : public QPDFObjectHandle::ParserCallbacks {
public:
    // wideLines: for each line of the page, whether its first cluster alone
    // is wider than the frame; the layout then leaves it whole on the line.
    PageReader(std::map<std::string, PdfFont>& fonts, double pageWidth, const std::vector<bool>& wideLines,
               std::set<char32_t>& text)
        : fonts_(fonts), pageWidth_(pageWidth), wideLines_(wideLines), text_(text)
    {
    }

    void handleObject(QPDFObjectHandle object, size_t, size_t) override
    {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        std::string op = object.getOperatorValue();
        if (op == "BT" || op == "ET" || op == "Td" || op == "TD" || op == "Tm" || op == "T*" || op == "'") {
            Settle();
        }
        auto number = [&](size_t i) { return operands_.at(i).getNumericValue(); };
        if (op == "BT") {
            lineX_ = x_ = lineY_ = 0;
        } else if (op == "TL") {
            leading_ = number(0);
        } else if (op == "Td" || op == "TD") {
            lineX_ += number(0);
            lineY_ += number(1);
            x_ = lineX_;
            if (!left_) {
                left_ = lineX_;
                top_ = lineY_;
            }
        } else if (op == "Tm") {
            lineX_ = x_ = number(4);
            lineY_ = number(5);
        } else if (op == "T*") {
            x_ = lineX_;
            lineY_ -= leading_;
        } else if (op == "Tf") {
            font_ = &fonts_.at(operands_.at(0).getName());
            size_ = number(1);
        } else if (op == "Tc") {
            spacing_ = number(0);
        } else if (op == "Tz" && number(0) != 100) {
            Fail("a horizontal scaling");
        } else if (op == "Tj" || op == "'") {
            if (op == "'") {
                x_ = lineX_;
                lineY_ -= leading_;
            }
            Show(operands_.at(0).getStringValue());
        } else if (op == "TJ") {
            for (QPDFObjectHandle& item : operands_.at(0).getArrayAsVector()) {
                if (item.isNumber()) {
                    x_ -= item.getNumericValue() / 1000 * size_;
                } else {
                    Show(item.getStringValue());
                }
            }
        } else if (op == "BDC" && operands_.size() == 2 && operands_[1].isDictionary() &&
                   operands_[1].hasKey("/ActualText")) {
            for (char32_t c : FromUtf8(operands_[1].getKey("/ActualText").getUTF8Value())) {
                text_.insert(c);
            }
        } else if (op == "\"") {
            Fail("the \" operator, which the writer does not write");
        }
        operands_.clear();
    }

    void handleEOF() override { Settle(); }

private:
    // A glyph ends where the pen stands before the next glyph or at the end
    // of its line (its width and the moves after it, which place the shaped
    // glyphs), or sooner, where the font's own advance ends it: its width in
    // the PDF is that of its first use, which a mark's may exceed, and at a
    // line's end no move follows to take the difference back. The line's
    // frame is centred on the page: it ends as far from the right edge as
    // its first line starts from the left.
    void Settle()
    {
        double end = std::min(x_, drawnStart_ + drawnOwnAdvance_);
        long line = leading_ > 0 ? std::lround((top_ - lineY_) / leading_) : 0;
        bool wide = line >= 0 && static_cast<size_t>(line) < wideLines_.size() && wideLines_[line];
        if (drawn_ && left_ && !wide && end > pageWidth_ - *left_ + 0.01) {
            Fail("glyph " + std::to_string(*drawn_) + " of " + drawnFont_ + " on line " + std::to_string(line + 1) +
                 " ends at " + std::to_string(end) + ", past the line's end at " + std::to_string(pageWidth_ - *left_));
        }
        drawn_.reset();
    }

    void Show(const std::string& codes)
    {
        if (!font_ || codes.size() % 2 != 0) {
            Fail("a string shown without a font, or of an odd length");
        }
        for (size_t i = 0; i < codes.size(); i += 2) {
            uint16_t glyph = static_cast<uint16_t>(static_cast<unsigned char>(codes[i]) << 8 |
                                                   static_cast<unsigned char>(codes[i + 1]));
            CheckInSubset(*font_, glyph);
            auto mapped = font_->toUnicode.find(glyph);
            if (mapped != font_->toUnicode.end()) {
                text_.insert(mapped->second.begin(), mapped->second.end());
            }
            auto width = font_->widths.find(glyph);
            double advance = (width == font_->widths.end() ? font_->defaultWidth : width->second) / 1000 * size_;
            Settle();
            drawn_ = glyph;
            drawnFont_ = font_->name;
            drawnStart_ = x_;
            drawnOwnAdvance_ = font_->original->AdvanceWidth(glyph) * size_ / font_->original->UnitsPerEm();
            x_ += advance + spacing_;
        }
    }

    std::map<std::string, PdfFont>& fonts_;
    double pageWidth_;
    std::set<char32_t>& text_;
    std::vector<QPDFObjectHandle> operands_;
    PdfFont* font_ = nullptr;
    const std::vector<bool>& wideLines_;
    double size_ = 0, spacing_ = 0, x_ = 0, lineX_ = 0, lineY_ = 0, top_ = 0, leading_ = 0;
    std::optional<uint16_t> drawn_;
    std::string drawnFont_;
    double drawnStart_ = 0, drawnOwnAdvance_ = 0;
    std::optional<double> left_;
};

} // namespace

// What is made once, before the first input: the fonts, and the Thai
// dictionary, whose trie takes some seconds to build under the sanitizers,
// which would otherwise count against the first input with Thai in it.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    MachineFonts();
    ThaiWordBoundaries(U"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Fonts& fonts = MachineFonts();
    std::u32string text = TextFrom(data, size, fonts);

    FallbackFontFinder fallback = [&](char32_t c) -> const TextFont* {
        for (size_t i = 1; i < fonts.fonts.size(); ++i) {
            if (fonts.fonts[i].text->Glyph(c) != 0) {
                return fonts.fonts[i].text.get();
            }
        }
        return nullptr;
    };
    PageGeometry geometry;
    FontList fontList(*fonts.fonts[0].text, fallback);
    LineShaper shaper(fontList, geometry.columns);
    TextPdfWriter writer(PaperSize::A4, geometry, shaper, DocumentInfo{U"fuzz", {}});
    std::vector<std::vector<bool>> wideLines;
    PageLayouter layouter(geometry, [&](Page&& page) {
        std::vector<bool>& wide = wideLines.emplace_back();
        for (const std::u32string& line : page) {
            std::vector<bool> starts = GraphemeBoundaries(line);
            size_t first = 1;
            while (first < line.size() && !starts[first]) {
                ++first;
            }
            wide.push_back(!line.empty() && !shaper.Fits(std::u32string_view(line).substr(0, first)));
        }
        writer.AddPage(page);
    },
                          [&](std::u32string_view line) { return shaper.Fits(line); });
    layouter.Add(text);
    layouter.Finish();
    std::string pdf = writer.Finish();
    // A finding replayed with SHAPED_TEXT_PDF=<file> keeps its PDF there, and
    // its text in UTF-8 beside it (".txt").
    if (const char* keep = std::getenv("SHAPED_TEXT_PDF")) {
        std::ofstream(keep, std::ios::binary) << pdf;
        std::ofstream out(std::string(keep) + ".txt", std::ios::binary);
        for (char32_t c : text) {
            if (c < 0x80) {
                out << static_cast<char>(c);
            } else if (c < 0x800) {
                out << static_cast<char>(0xC0 | c >> 6) << static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out << static_cast<char>(0xE0 | c >> 12) << static_cast<char>(0x80 | (c >> 6 & 0x3F))
                    << static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }

    QPDF read;
    read.setSuppressWarnings(true);
    read.processMemoryFile("written", pdf.data(), pdf.size());
    std::set<char32_t> found;
    size_t pages = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(read).getAllPages()) {
        std::map<std::string, PdfFont> pageFonts;
        QPDFObjectHandle resources = page.getAttribute("/Resources", false);
        for (auto& [name, font] : resources.getKey("/Font").getDictAsMap()) {
            pageFonts.emplace(name, ReadFont(font, fonts));
        }
        double width = page.getAttribute("/MediaBox", false).getArrayItem(2).getNumericValue();
        static const std::vector<bool> none;
        PageReader reader(pageFonts, width, pages < wideLines.size() ? wideLines[pages] : none, found);
        ++pages;
        page.parseContents(&reader);
    }
    if (!read.getWarnings().empty()) {
        Fail(std::string("qpdf finds the written PDF damaged: ") + read.getWarnings().front().what());
    }

    // The lam-alef ligatures stand for their two letters.
    static const std::map<char32_t, char32_t> lamAlef = {{0xFEF5, 0x0622}, {0xFEF6, 0x0622}, {0xFEF7, 0x0623},
                                                        {0xFEF8, 0x0623}, {0xFEF9, 0x0625}, {0xFEFA, 0x0625},
                                                        {0xFEFB, 0x0627}, {0xFEFC, 0x0627}};
    for (auto [ligature, alef] : lamAlef) {
        if (found.count(ligature)) {
            found.insert({0x0644, alef});
        }
    }
    // Each character comes back as itself, or as the parts the writer
    // splits a vowel sign into, or (a consonant with its nukta) as the one
    // character the writer joins the two into, which must then come back.
    auto foundAll = [&](std::u32string_view characters) {
        for (char32_t c : characters) {
            if (!found.count(c)) {
                return false;
            }
        }
        return true;
    };
    std::u32string joined = OneCharacterForms(text);
    std::set<char32_t> checked(text.begin(), text.end());
    checked.insert(joined.begin(), joined.end());
    for (char32_t c : checked) {
        if (NeedsNoText(c) || found.count(c) || foundAll(SplitVowelParts(std::u32string(1, c))) ||
            joined.find(c) == std::u32string::npos) {
            continue;
        }
        // A character that shares its glyph with another: the glyph's text
        // is the other's.
        const TextFont* font = fonts.fonts[0].text->Glyph(c) != 0 ? fonts.fonts[0].text.get() : fallback(c);
        bool shared = false;
        for (char32_t other : found) {
            shared = shared || (font && font->Glyph(other) == font->Glyph(c));
        }
        if (!shared) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
            Fail(std::string("character ") + hex + " drawn but no text in the PDF gives it back");
        }
    }
    return 0;
}
