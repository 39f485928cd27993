#include "Shaper.h"

#include "DocumentError.h"

#include <hb.h>

#include <map>
#include <utility>

namespace Document {

struct FontShaper::Font {
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    hb_buffer_t* buffer = nullptr;

    ~Font()
    {
        hb_buffer_destroy(buffer);
        hb_font_destroy(font);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
};

namespace {

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
        glyphs[i].yOffset = position[i].y_offset;
    }
    return glyphs;
}

} // namespace Document
