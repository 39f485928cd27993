#pragma once
// A line of text as it is drawn: split into runs of one embedding level and
// one way of drawing, the runs in the order the bidirectional algorithm
// shows them (DisplayOrder), each shaped run shaped in the font that draws
// it, and every run placed from the line's left. The layouter measures a
// line with it, and the PDF writer draws what it gives.
#include "FontList.h"
#include "Shaper.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Document {

// Characters of one level, either drawn on the grid one by one, or shaped
// together in one font. In thousandths of the font size.
struct ShapedRun {
    size_t start = 0;
    size_t end = 0;
    uint8_t level = 0;
    bool shaped = false;
    uint32_t font = 0; // its place in the FontList
    int x = 0; // where it starts, from the line's left
    int width = 0;
    std::vector<ShapedGlyph> glyphs; // a shaped run's, in the order they are drawn
};

struct ShapedLine {
    std::vector<ShapedRun> runs; // as written
    std::vector<size_t> shown; // the runs in the order they are shown, from the left
    uint8_t paragraphLevel = 0;
    int width = 0; // from the line's left to the end of its last run
};

class LineShaper {
public:
    // The frame is `columns` grid cells wide.
    LineShaper(FontList& fonts, int columns);

    // Below Hebrew no character is right to left or shaped: such a line, and
    // any other with nothing right to left and nothing shaped, is drawn on
    // its cells as written, and needs no shaping.
    static bool IsPlain(std::u32string_view text);

    // The runs of the line, ordered and placed: in a left-to-right paragraph
    // each on its grid cells unless a shaped run before it is wider than its
    // cells.
    ShapedLine Shape(std::u32string_view text);

    // Whether the line, drawn, stays inside the frame (its blanks at the end
    // left out): a shaped run takes its glyphs' advances, which may be wider
    // than its characters' cells. Nothing is drawn.
    bool Fits(std::u32string_view line);

    FontList& Fonts() { return fonts_; }
    int FrameWidth() const { return columns_ * fonts_.CellUnits(); }

private:
    std::vector<ShapedRun> Itemize(std::u32string_view text, const std::vector<uint8_t>& levels);
    // `cut`: the run ends the text, which begins the longest line shaped.
    std::vector<ShapedGlyph> ShapeRun(std::u32string_view text, const ShapedRun& run, bool cut);
    // The glyphs of the run as those of the longest line's run that it cuts
    // short give them, where that is exact; nullopt where it is not.
    std::optional<std::vector<ShapedGlyph>> CutFromLongest(const ShapedRun& run) const;

    FontList& fonts_;
    int columns_;
    // A run's glyphs depend on its characters and on the few around it that
    // the shaper reads as context, nothing else: each run is shaped once,
    // however often the layouter measures a line that holds it and then the
    // writer draws it. Keyed by font, direction, context and characters.
    std::unordered_map<std::u32string, std::vector<ShapedGlyph>> shapedRuns_;
    size_t cachedUnits_ = 0; // the keys' characters and the glyphs kept
    // The last line shaped that was not the start of the one before, and
    // its runs.
    std::u32string longest_;
    std::vector<ShapedRun> longestRuns_;
};

} // namespace Document
