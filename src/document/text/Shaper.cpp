#include "Shaper.h"

#include "DocumentError.h"

#include <hb.h>

#include <cstdlib>
#include <map>
#include <utility>

namespace Document {

struct FontShaper::Font {
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    hb_buffer_t* buffer = nullptr;
    // What an invisible character (a zero-width space or non-joiner) is
    // drawn with; 0 for HarfBuzz's choice, the font's blank.
    hb_codepoint_t invisible = 0;

    ~Font()
    {
        hb_buffer_destroy(buffer);
        hb_font_destroy(font);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
};

namespace {

// Thousandths of the em: a fiftieth of a point at 10 points.
constexpr int NegligibleOffset = 2;

uint32_t RawScript(char32_t codePoint)
{
    return static_cast<uint32_t>(hb_unicode_script(hb_unicode_funcs_get_default(), codePoint));
}

} // namespace

uint32_t ScriptOf(char32_t codePoint)
{
    uint32_t script = RawScript(codePoint);
    if (script == HB_SCRIPT_COMMON || script == HB_SCRIPT_UNKNOWN) {
        return 0;
    }
    return script == HB_SCRIPT_INHERITED ? 1 : script;
}

std::u32string SplitVowelParts(std::u32string_view text)
{
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    auto isMark = [&](hb_codepoint_t c) {
        hb_unicode_general_category_t category = hb_unicode_general_category(unicode, c);
        return category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
               category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK;
    };
    std::u32string result;
    for (char32_t c : text) {
        hb_codepoint_t first = 0, second = 0;
        if (isMark(c) && hb_unicode_decompose(unicode, c, &first, &second) && second != 0 && isMark(first) &&
            isMark(second)) {
            result += static_cast<char32_t>(first);
            result += static_cast<char32_t>(second);
        } else {
            result += c;
        }
    }
    return result;
}

std::u32string OneCharacterForms(std::u32string_view text)
{
    static const std::map<std::pair<char32_t, char32_t>, char32_t> composed = [] {
        std::map<std::pair<char32_t, char32_t>, char32_t> table;
        // Unicode keeps these out of composition (NFC leaves the pairs), so
        // the pairs are found from the characters' own decompositions.
        const char32_t forms[] = {0x0958, 0x0959, 0x095A, 0x095B, 0x095C, 0x095D, 0x095E, 0x095F, 0x09DC, 0x09DD,
                                  0x09DF, 0x0A33, 0x0A36, 0x0A59, 0x0A5A, 0x0A5B, 0x0A5E, 0x0B5C, 0x0B5D};
        for (char32_t form : forms) {
            hb_codepoint_t first = 0, second = 0;
            if (hb_unicode_decompose(hb_unicode_funcs_get_default(), form, &first, &second) && second != 0) {
                table[{static_cast<char32_t>(first), static_cast<char32_t>(second)}] = form;
            }
        }
        return table;
    }();
    std::u32string result;
    for (char32_t c : text) {
        if (!result.empty()) {
            if (auto found = composed.find({result.back(), c}); found != composed.end()) {
                result.back() = found->second;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::u32string LigatureForms(char32_t first, char32_t second)
{
    if (first != 0x0644) {
        return {};
    }
    // Lam with alef with madda, hamza above, hamza below, alef: each
    // isolated, then final.
    switch (second) {
    case 0x0622:
        return U"\uFEF5\uFEF6";
    case 0x0623:
        return U"\uFEF7\uFEF8";
    case 0x0625:
        return U"\uFEF9\uFEFA";
    case 0x0627:
        return U"\uFEFB\uFEFC";
    default:
        return {};
    }
}

bool IsShapedScript(char32_t codePoint)
{
    // Below Armenian's end every script is drawn character by character.
    if (codePoint < 0x0590) {
        return false;
    }
    switch (RawScript(codePoint)) {
    case HB_SCRIPT_COMMON:
    case HB_SCRIPT_INHERITED:
    case HB_SCRIPT_UNKNOWN:
    case HB_SCRIPT_LATIN:
    case HB_SCRIPT_GREEK:
    case HB_SCRIPT_CYRILLIC:
    case HB_SCRIPT_ARMENIAN:
    case HB_SCRIPT_GEORGIAN:
    case HB_SCRIPT_HAN:
    case HB_SCRIPT_HIRAGANA:
    case HB_SCRIPT_KATAKANA:
    case HB_SCRIPT_HANGUL:
    case HB_SCRIPT_BOPOMOFO:
    case HB_SCRIPT_YI:
    case HB_SCRIPT_BRAILLE:
        return false;
    default:
        return true;
    }
}

FontShaper::FontShaper(std::string_view fontFile) : font_(std::make_unique<Font>())
{
    font_->blob = hb_blob_create(fontFile.data(), static_cast<unsigned>(fontFile.size()), HB_MEMORY_MODE_READONLY,
                                 nullptr, nullptr);
    font_->face = hb_face_create(font_->blob, 0);
    font_->font = hb_font_create(font_->face);
    font_->buffer = hb_buffer_create();
    if (!hb_buffer_allocation_successful(font_->buffer)) {
        throw DocumentError(L"The text shaper could not allocate its buffer.");
    }
    // Positions come out in thousandths of the em, the unit of the PDF's widths.
    hb_font_set_scale(font_->font, 1000, 1000);
    // A glyph has one text in the PDF: were an invisible character drawn
    // with the blank's glyph, a reader would take every blank for it (or
    // it for a blank), and lose the blanks between words or split words at
    // it. The font's own glyph for the zero-width space draws nothing too.
    hb_codepoint_t space = 0, zeroWidthSpace = 0;
    if (hb_font_get_nominal_glyph(font_->font, 0x200B, &zeroWidthSpace) &&
        (!hb_font_get_nominal_glyph(font_->font, U' ', &space) || space != zeroWidthSpace)) {
        font_->invisible = zeroWidthSpace;
    }
}

FontShaper::~FontShaper() = default;

std::vector<ShapedGlyph> FontShaper::Shape(std::u32string_view text, size_t start, size_t length,
                                           bool rightToLeft) const
{
    hb_buffer_t* buffer = font_->buffer;
    hb_buffer_reset(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), static_cast<int>(text.size()),
                        static_cast<unsigned>(start), static_cast<int>(length));
    hb_buffer_set_direction(buffer, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_invisible_glyph(buffer, font_->invisible);
    hb_shape(font_->font, buffer, nullptr, 0);

    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    std::vector<ShapedGlyph> glyphs(count);
    for (unsigned i = 0; i < count; ++i) {
        glyphs[i].glyph = static_cast<uint16_t>(info[i].codepoint);
        glyphs[i].cluster = info[i].cluster;
        glyphs[i].advance = position[i].x_advance;
        glyphs[i].xOffset = position[i].x_offset;
        // A mark lowered by a thousandth or two of the em (Noto Sans Thai's
        // tone marks) sits where it would without it, to the eye; but a
        // reader that groups a line's glyphs by their baseline (Ghostscript)
        // would read it as a line of its own.
        glyphs[i].yOffset = std::abs(position[i].y_offset) <= NegligibleOffset ? 0 : position[i].y_offset;
        glyphs[i].unsafeToBreak = (hb_glyph_info_get_glyph_flags(&info[i]) & HB_GLYPH_FLAG_UNSAFE_TO_BREAK) != 0;
    }
    return glyphs;
}

} // namespace Document
