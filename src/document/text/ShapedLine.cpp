#include "ShapedLine.h"

#include "CharacterWidth.h"
#include "DisplayOrder.h"

#include <algorithm>
#include <optional>

namespace Document {
namespace {

// HarfBuzz reads up to five characters on either side of a run as its
// context (Arabic joining across a run's end); a key with more holds them.
constexpr size_t ContextLength = 8;

// Characters and glyphs kept at most (some 6 MB); then the cache starts
// afresh. A few pages' worth of lines and their candidate breaks come
// within it; a run larger (a line of marks on one cell) is not kept.
constexpr size_t CachedUnits = 1u << 18;

} // namespace

LineShaper::LineShaper(FontList& fonts, int columns) : fonts_(fonts), columns_(columns) {}

bool LineShaper::IsPlain(std::u32string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char32_t c) { return c < 0x0590; }) ||
           (IsPlainLeftToRight(text) && std::none_of(text.begin(), text.end(), [](char32_t c) { return IsShapedScript(c); }));
}

bool LineShaper::Fits(std::u32string_view line)
{
    size_t end = line.find_last_not_of(U' ');
    if (end == std::u32string_view::npos) {
        return true;
    }
    std::u32string_view text = line.substr(0, end + 1);
    if (IsPlain(text)) {
        int cells = 0;
        for (char32_t character : text) {
            cells += CharacterWidth(character) * fonts_.CellUnits();
        }
        return cells <= FrameWidth();
    }
    return Shape(text).width <= FrameWidth();
}

ShapedLine LineShaper::Shape(std::u32string_view text)
{
    // The layouter measures a line, then the line up to each break it
    // tries, from the last: the run that such a break cuts is cut from the
    // line's where that is safe.
    const bool cut = text.size() < longest_.size() && std::u32string_view(longest_).substr(0, text.size()) == text;
    DisplayOrder order = ResolveDisplayOrder(text);
    ShapedLine line;
    line.runs = Itemize(text, order.levels);
    line.paragraphLevel = static_cast<uint8_t>(order.paragraphLevel);
    std::vector<size_t> runOf(text.size());
    for (size_t r = 0; r < line.runs.size(); ++r) {
        std::fill(runOf.begin() + line.runs[r].start, runOf.begin() + line.runs[r].end, r);
    }
    line.shown = RunsInDisplayOrder(order.visual, runOf);

    const int cell = fonts_.CellUnits();
    int pen = 0, cells = 0;
    bool afterShaped = false, afterAttached = false;
    for (size_t index : line.shown) {
        ShapedRun& run = line.runs[index];
        // Punctuation that ends a shaped word (a colon, a bracket the
        // word's font lacks) follows the word, not its cell, and so does
        // a shaped word that follows such punctuation (และ/หรือ): a gap
        // would part them for a reader and for a search.
        bool blank = text[run.start] == U' ' || text[run.start] == U'\t';
        bool attached = !blank && ((afterShaped && !run.shaped && ScriptOf(text[run.start]) == 0) ||
                                   (afterAttached && run.shaped));
        afterShaped = run.shaped;
        afterAttached = attached && !run.shaped;
        int gridWidth = 0;
        for (size_t i = run.start; i < run.end; ++i) {
            gridWidth += CharacterWidth(text[i]) * cell;
        }
        if (run.shaped) {
            run.glyphs = ShapeRun(text, run, cut && run.end == text.size());
            run.width = 0;
            for (const ShapedGlyph& glyph : run.glyphs) {
                run.width += glyph.advance;
            }
        } else {
            run.width = gridWidth;
        }
        run.x = order.paragraphLevel == 0 && !attached ? std::max(pen, cells) : pen;
        pen = run.x + run.width;
        cells += gridWidth;
    }
    line.width = pen;
    if (!cut) {
        longest_.assign(text);
        longestRuns_ = line.runs;
    }
    return line;
}

// Runs in written order: a shaped run holds the characters of one shaped
// script in one font, with the marks after them and the blanks and
// punctuation between two of them; everything else is drawn on the grid.
std::vector<ShapedRun> LineShaper::Itemize(std::u32string_view text, const std::vector<uint8_t>& levels)
{
    const size_t count = text.size();
    std::vector<uint32_t> script(count, 0); // 0: drawn on the grid
    std::vector<uint32_t> font(count, 0);
    for (size_t i = 0; i < count; ++i) {
        if (IsShapedScript(text[i])) {
            if (std::optional<uint32_t> shaping = fonts_.ShapingFont(text[i])) {
                script[i] = ScriptOf(text[i]);
                font[i] = *shaping;
            }
        }
    }
    // Marks (and joiners) go with the letter before them.
    for (size_t i = 1; i < count; ++i) {
        if (script[i] == 0 && script[i - 1] != 0 && ScriptOf(text[i]) == 1 && fonts_.Has(font[i - 1], text[i])) {
            script[i] = script[i - 1];
            font[i] = font[i - 1];
        }
    }
    // Blanks, digits and punctuation between two letters of one shaped
    // script and font are shaped with them, and so are those between
    // such a letter and the line's start or end.
    for (size_t i = 0; i < count;) {
        if (script[i] != 0 || ScriptOf(text[i]) != 0) {
            ++i;
            continue;
        }
        size_t last = i;
        while (last < count && script[last] == 0 && ScriptOf(text[last]) == 0) {
            ++last;
        }
        size_t letter = i > 0 ? i - 1 : last;
        bool joins = letter < count && script[letter] != 0;
        if (joins && i > 0 && last < count) {
            joins = script[last] == script[letter] && font[last] == font[letter];
        }
        for (size_t j = i; joins && j < last; ++j) {
            joins = fonts_.Has(font[letter], text[j]);
        }
        if (joins) {
            std::fill(script.begin() + i, script.begin() + last, script[letter]);
            std::fill(font.begin() + i, font.begin() + last, font[letter]);
        }
        i = last;
    }
    std::vector<ShapedRun> runs;
    for (size_t i = 0; i < count;) {
        size_t last = i + 1;
        while (last < count && levels[last] == levels[i] && script[last] == script[i] && font[last] == font[i]) {
            ++last;
        }
        ShapedRun run;
        run.start = i;
        run.end = last;
        run.level = levels[i];
        run.shaped = script[i] != 0;
        run.font = font[i];
        runs.push_back(std::move(run));
        i = last;
    }
    return runs;
}

std::optional<std::vector<ShapedGlyph>> LineShaper::CutFromLongest(const ShapedRun& run) const
{
    // Only before a blank: the shaper reads the characters after a run as
    // its context, and a blank joins nothing, as the run's end does not.
    if (longest_[run.end] != U' ') {
        return std::nullopt;
    }
    for (const ShapedRun& whole : longestRuns_) {
        if (whole.start != run.start || whole.end <= run.end || !whole.shaped || whole.level != run.level ||
            whole.font != run.font) {
            continue;
        }
        // Taken in written order (a right-to-left run's glyphs are drawn
        // last to first), the glyphs before the cut must all come first, and
        // those of the cluster the cut begins be safe to break before.
        const std::vector<ShapedGlyph>& glyphs = whole.glyphs;
        const bool rightToLeft = run.level % 2 == 1;
        std::vector<ShapedGlyph> kept;
        bool past = false, begins = false;
        for (size_t g = 0; g < glyphs.size(); ++g) {
            const ShapedGlyph& glyph = glyphs[rightToLeft ? glyphs.size() - 1 - g : g];
            if (glyph.cluster < run.end) {
                if (past) {
                    return std::nullopt;
                }
                kept.push_back(glyph);
                continue;
            }
            past = true;
            if (glyph.cluster == run.end) {
                begins = true;
                if (glyph.unsafeToBreak) {
                    return std::nullopt;
                }
            }
        }
        if (!begins || kept.empty()) {
            return std::nullopt;
        }
        if (rightToLeft) {
            std::reverse(kept.begin(), kept.end());
        }
        return kept;
    }
    return std::nullopt;
}

std::vector<ShapedGlyph> LineShaper::ShapeRun(std::u32string_view text, const ShapedRun& run, bool cut)
{
    const bool rightToLeft = run.level % 2 == 1;
    size_t from = run.start > ContextLength ? run.start - ContextLength : 0;
    size_t to = std::min(text.size(), run.end + ContextLength);
    std::u32string key;
    key.reserve(3 + to - from);
    key += static_cast<char32_t>(run.font);
    key += rightToLeft ? U'r' : U'l';
    key += static_cast<char32_t>(run.start - from);
    key += static_cast<char32_t>(run.end - from);
    key += text.substr(from, to - from);
    if (auto found = shapedRuns_.find(key); found != shapedRuns_.end()) {
        std::vector<ShapedGlyph> glyphs = found->second;
        for (ShapedGlyph& glyph : glyphs) {
            glyph.cluster += static_cast<uint32_t>(run.start);
        }
        return glyphs;
    }
    std::optional<std::vector<ShapedGlyph>> glyphs = cut ? CutFromLongest(run) : std::nullopt;
    if (!glyphs) {
        glyphs = fonts_.At(run.font).Shape(text, run.start, run.end - run.start, rightToLeft);
    }
    const size_t units = key.size() + glyphs->size();
    if (units <= CachedUnits) {
        if (cachedUnits_ + units > CachedUnits) {
            shapedRuns_.clear();
            cachedUnits_ = 0;
        }
        std::vector<ShapedGlyph> kept = *glyphs;
        for (ShapedGlyph& glyph : kept) {
            glyph.cluster -= static_cast<uint32_t>(run.start);
        }
        shapedRuns_.emplace(std::move(key), std::move(kept));
        cachedUnits_ += units;
    }
    return std::move(*glyphs);
}

} // namespace Document
