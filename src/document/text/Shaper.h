#pragma once
// Shaping by HarfBuzz: a run of characters of one script and one direction
// turned into the font's glyphs, by the font's own OpenType tables (Arabic
// joining, Indic reordering and conjuncts, ligatures, marks placed by GPOS).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

// One glyph of a shaped run, in the order it is drawn (left to right). In
// thousandths of the font size; y upwards, an offset of one or two
// thousandths left out. An invisible character (a zero-width space or
// non-joiner) is drawn with the font's glyph for the zero-width space where
// it has one apart from its blank.
struct ShapedGlyph {
    uint16_t glyph = 0;
    // The first character, counted in the whole text, of the cluster the
    // glyph belongs to: the characters it stands for with its neighbours of
    // the same cluster.
    uint32_t cluster = 0;
    int advance = 0;
    int xOffset = 0;
    int yOffset = 0;
    // Breaking the run before this glyph's cluster and shaping the two sides
    // apart could give other glyphs (a letter joined to the next); without
    // it the glyphs before the cluster are those of the part before it.
    bool unsafeToBreak = false;
};

// The characters whose scripts are written by shaping: joined, reordered or
// with marks placed on their letters (Arabic, Hebrew, the Indic scripts,
// Thai, Lao, Khmer, Myanmar, Tibetan...). Latin, Greek, Cyrillic, the CJK
// scripts and characters of no script of their own (blanks, digits,
// punctuation, combining marks) are not: they stay on the monospaced grid.
bool IsShapedScript(char32_t codePoint);
// The script's code as HarfBuzz names it (an ISO 15924 tag); characters of
// no script of their own give 0 (Common) or 1 (Inherited).
uint32_t ScriptOf(char32_t codePoint);

// The text with each consonant and nukta that Unicode also has as one
// character (Devanagari FA, Bengali RRA, Gurmukhi, Oriya) given as that
// character: a glyph that draws the pair then stands for one character,
// which the readers that take a glyph's text one character at a time
// (Ghostscript, pdf.js) keep whole, and which a search folds back to the pair.
std::u32string OneCharacterForms(std::u32string_view text);

// The text with each vowel sign that Unicode composes of two (Bengali O,
// Tamil O and AU...) given as its two parts, which the font draws as two
// glyphs on either side of the consonant: each part can then stand for a
// glyph of its own, and a search folds the two back into one.
std::u32string SplitVowelParts(std::u32string_view text);

// The characters Unicode has for a pair drawn as one ligature (Arabic lam
// with alef: isolated and final forms), none for other pairs. A font's glyph
// for such a character is the ligature's: it then stands for that one
// character, which NFKC (a search) folds back to the pair, and which the
// readers that turn a glyph's several characters around in a right-to-left
// line (pdf.js) cannot turn.
std::u32string LigatureForms(char32_t first, char32_t second);

class FontShaper {
public:
    // The font file's bytes must outlive the shaper.
    explicit FontShaper(std::string_view fontFile);
    ~FontShaper();
    FontShaper(const FontShaper&) = delete;
    FontShaper& operator=(const FontShaper&) = delete;

    // The characters [start, start + length) of text, shaped with the rest
    // of text as their context; clusters count from the start of text.
    std::vector<ShapedGlyph> Shape(std::u32string_view text, size_t start, size_t length, bool rightToLeft) const;

private:
    struct Font;
    std::unique_ptr<Font> font_;
};

} // namespace Document
