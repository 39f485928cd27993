// The set-up of FontSubsetFontTools: the subset of a sample text, and the
// text as UTF-8, for check_subset.py to read with fontTools, a font library
// independent of ours.
//
//   WriteSubsetSample FONT SUBSET     (the text goes to SUBSET.txt)
#include "DocumentError.h"
#include "FontSubset.h"
#include "TrueTypeFont.h"

#include <cstdio>
#include <cwchar>
#include <exception>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string Utf8(const std::u32string& text)
{
    std::string utf8;
    for (char32_t c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// Writes the whole file or throws: a sample cut short would fail the check
// for a reason that is not the subset's.
void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

int main(int argc, char** argv)
{
    using namespace Document;
    if (argc != 3) {
        std::fprintf(stderr, "usage: WriteSubsetSample FONT SUBSET\n");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            throw std::runtime_error(std::string("cannot read ") + argv[1]);
        }
        TrueTypeFont font(bytes.str());
        // Greek, Cyrillic, box drawing, letters drawn from parts, a combining mark.
        const std::u32string text = U"Ελληνικά Русский ─┼ āŵ e\u0301 Hello";
        std::map<uint16_t, std::u32string> used;
        for (char32_t c : text) {
            used[font.GlyphFor(c)] = std::u32string(1, c);
        }
        // The combining acute once more, raised and moved right, as a variant;
        // and the Lao AM as one glyph of its two parts, NIKHAHIT and AA, at the
        // places HarfBuzz gives them (the NIKHAHIT a cell back and raised).
        const auto variant = static_cast<uint16_t>(font.GlyphCount());
        used[variant].assign(1, U'\u0301');
        used[variant + 1].assign(1, U'\u0EB3');
        GlyphVariant am{font.GlyphFor(U'\u0ECD'), -602, 31};
        am.second = font.GlyphFor(U'\u0EB2');
        WriteFile(argv[2], BuildFontSubset(font, used, {{static_cast<uint16_t>(variant + 1), 602}},
                                           {{font.GlyphFor(U'\u0301'), 30, 150}, am}).file);
        WriteFile(std::string(argv[2]) + ".txt", Utf8(text));
    } catch (const DocumentError& error) {
        std::fwprintf(stderr, L"WriteSubsetSample: %ls\n", error.Description().c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "WriteSubsetSample: %s\n", error.what());
        return 1;
    }
    return 0;
}
