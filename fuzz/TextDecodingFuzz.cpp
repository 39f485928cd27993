// Text decoding and layout under a fuzzer: any bytes must decode into code
// points (never a crash, never a character above U+10FFFF or a surrogate),
// and lay out into pages whose lines fit their columns.
#include "CharacterWidth.h"
#include "DocumentError.h"
#include "PageLayout.h"
#include "TextDecoding.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The ANSI code page is the system's; Latin-1 stands in for it here.
std::u32string DecodeLatin1(const std::string& bytes)
{
    return std::u32string(reinterpret_cast<const unsigned char*>(bytes.data()),
                          reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::u32string text = Document::DecodeText(bytes, DecodeLatin1);
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            std::abort();
        }
    }
    Document::PageGeometry geometry;
    geometry.columns = 1 + (size % 80);
    geometry.lines = 1 + (size % 66);
    try {
        for (const Document::Page& page : Document::LayOutPages(text, geometry)) {
            if (static_cast<int>(page.size()) > geometry.lines) {
                std::abort();
            }
            for (const std::u32string& line : page) {
                int cells = 0;
                int spacing = 0; // characters that take a cell: one alone may overflow a narrow line
                for (char32_t c : line) {
                    cells += Document::CharacterWidth(c);
                    spacing += Document::CharacterWidth(c) > 0 ? 1 : 0;
                }
                if (cells > geometry.columns && spacing > 1) {
                    std::abort();
                }
            }
        }
    } catch (const Document::DocumentError&) {
        // Beyond the page limit: a refusal, not a fault.
    }
    return 0;
}
