#include "PageLayout.h"

#include "CharacterWidth.h"
#include "DocumentError.h"
#include "GraphemeBreak.h"
#include "LineBreak.h"
#include "Limits.h"
#include "ThaiWordBreak.h"

#include <cstdint>

namespace Document {

class PageLayouter::Typesetter {
public:
    Typesetter(const PageGeometry& geometry, PageSink sink, LineFits fits)
        : geometry_(geometry), sink_(std::move(sink)), fits_(std::move(fits))
    {
    }

    // `mayBreak`: the line may be broken before the character;
    // `clusterStart`: it begins a user-perceived character.
    void Put(char32_t character, bool mayBreak, bool clusterStart)
    {
        if (character == U'\t') {
            // Blanks up to the next stop, at least one; they wrap like any
            // other character, so a tab at a full line indents the next one.
            // Counted before the first blank: a line narrower than a tab
            // stop never reaches one.
            for (int blanks = geometry_.tabWidth - cells_ % geometry_.tabWidth; blanks > 0; --blanks) {
                PutCell(U' ', 1, mayBreak, true);
                mayBreak = false;
            }
            return;
        }
        PutCell(character, CharacterWidth(character), mayBreak, clusterStart);
    }

    // A line's text that fits where the line stands, as Put would put it
    // character by character: no tab, no place to break at. False, and
    // nothing put, when it does not fit; a text of shaped scripts is only
    // put on an empty line, where it can be measured as drawn.
    bool PutFitting(std::u32string_view text, int cells, bool shaped)
    {
        if (cells_ + cells > geometry_.columns) {
            return false;
        }
        if (shaped && fits_ && (!line_.empty() || !fits_(text))) {
            return false;
        }
        if (text.empty()) {
            return true;
        }
        line_ += text;
        flags_.insert(flags_.end(), text.size(), ClusterStart);
        cells_ += cells;
        pendingLine_ = true;
        pageOpenedByFormFeed_ = false;
        return true;
    }

    // Ends the line; one too wide as drawn ends earlier, the rest carried
    // over, as often as it takes.
    void EndLine()
    {
        while (shaped_ && fits_) {
            size_t at = DrawnEnd(line_.size());
            if (at == line_.size()) {
                break;
            }
            CarryOver(at);
        }
        PushLine();
    }

    void PushLine()
    {
        // A page is only begun by a line that needs room, so a form feed
        // right after a full page does not leave a blank one behind.
        if (static_cast<int>(page_.size()) == geometry_.lines) {
            PushPage();
        }
        page_.push_back(std::move(line_));
        line_.clear();
        flags_.clear();
        // A moved-from line has given its room away; most lines need about as much.
        line_.reserve(geometry_.columns);
        flags_.reserve(geometry_.columns);
        cells_ = 0;
        shaped_ = false;
        pendingLine_ = false;
    }

    void EndPage()
    {
        if (pendingLine_) {
            EndLine();
        }
        PushPage();
        pageOpenedByFormFeed_ = true;
    }

    void MarkLinePending() { pendingLine_ = true; }

    void Finish()
    {
        if (pendingLine_) {
            EndLine();
        }
        if (!page_.empty() || !pageOpenedByFormFeed_ || pages_ == 0) {
            PushPage();
        }
    }

private:
    void PushPage()
    {
        if (pages_ >= Limits::kMaxPages) {
            throw DocumentError(L"The document has more than " + std::to_wstring(Limits::kMaxPages) + L" pages.");
        }
        ++pages_;
        sink_(std::move(page_));
        page_.clear();
        page_.reserve(geometry_.lines);
    }

    void PutCell(char32_t character, int width, bool mayBreak, bool clusterStart)
    {
        while (cells_ + width > geometry_.columns && cells_ > 0) {
            Wrap(character, mayBreak, clusterStart);
        }
        shaped_ |= character >= 0x0590;
        line_ += character;
        flags_.push_back(static_cast<uint8_t>((mayBreak ? MayBreak : 0) | (clusterStart ? ClusterStart : 0)));
        cells_ += width;
        pendingLine_ = true;
        pageOpenedByFormFeed_ = false;
    }

    // Ends the line at its last break opportunity that follows some text,
    // carrying the rest over; without one, at its last character boundary,
    // so that a letter never loses its marks or a syllable its parts. The
    // character waiting to be put, `next`, counts as the line's end.
    void Wrap(char32_t next, bool nextMayBreak, bool nextClusterStart)
    {
        size_t size = line_.size();
        size_t firstText = line_.find_first_not_of(U' ');
        size_t at = 0;
        for (size_t k = size; k > 0 && at == 0; --k) {
            if ((k == size ? nextMayBreak : (flags_[k] & MayBreak) != 0) && firstText < k) {
                at = PreferBlank(k, k == size ? next : line_[k]);
            }
        }
        for (size_t k = size; k > 0 && at == 0; --k) {
            if (k == size ? nextClusterStart : (flags_[k] & ClusterStart) != 0) {
                at = k;
            }
        }
        // A cluster wider than the line is cut where the line is full.
        if (at == 0) {
            at = size;
        }
        CarryOver(DrawnEnd(at));
    }

    // A break inside a word, after its hyphen (gdk-pixbuf) or between two
    // Thai words of one phrase, parts what a reader and a viewer's search
    // take as one: a viewer joins a hyphen at a line's end to the next
    // word, and finds a Thai phrase only on one line. The line then ends at
    // its last blank instead, `at` before the character `after`, when that
    // leaves it two thirds full or more.
    size_t PreferBlank(size_t at, char32_t after) const
    {
        char32_t before = line_[at - 1];
        bool insideWord = before == U'-' || before == U'\u2010' ||
                          (IsThaiWordCharacter(before) && IsThaiWordCharacter(after));
        if (!insideWord) {
            return at;
        }
        size_t firstText = line_.find_first_not_of(U' ');
        int cells = 0; // before line_[k]
        for (size_t k = 0; k < at; ++k) {
            cells += CharacterWidth(line_[k]);
        }
        for (size_t k = at - 1; k > firstText; --k) {
            cells -= CharacterWidth(line_[k]);
            if (cells * 3 < geometry_.columns * 2) {
                break;
            }
            if ((flags_[k] & MayBreak) != 0 && line_[k - 1] == U' ') {
                return k;
            }
        }
        return at;
    }

    // Where the line's first `end` characters, or fewer, fit the frame as
    // drawn: `end` when they do, else the last break opportunity before it
    // that follows some text and fits, else the last such cluster boundary;
    // `end` when none fits (a cluster wider than the frame).
    size_t DrawnEnd(size_t end)
    {
        std::u32string_view line(line_);
        if (!shaped_ || !fits_ || fits_(line.substr(0, end))) {
            return end;
        }
        size_t firstText = line_.find_first_not_of(U' ');
        for (size_t k = end - 1; k > 0; --k) {
            if ((flags_[k] & MayBreak) != 0 && firstText < k && fits_(line.substr(0, k))) {
                return PreferBlank(k, line_[k]);
            }
        }
        for (size_t k = end - 1; k > 0; --k) {
            if ((flags_[k] & ClusterStart) != 0 && fits_(line.substr(0, k))) {
                return k;
            }
        }
        return end;
    }

    // Ends the line after its first `at` characters; the rest begins the next.
    void CarryOver(size_t at)
    {
        std::u32string rest = line_.substr(at);
        std::vector<uint8_t> restFlags(flags_.begin() + at, flags_.end());
        line_.erase(at);
        PushLine();
        line_ = std::move(rest);
        flags_ = std::move(restFlags);
        for (char32_t character : line_) {
            cells_ += CharacterWidth(character);
            shaped_ |= character >= 0x0590;
        }
    }

    PageGeometry geometry_;
    PageSink sink_;
    LineFits fits_;
    size_t pages_ = 0;
    Page page_;
    std::u32string line_;
    // Per character of line_: whether the line may break before it, and
    // whether it begins a user-perceived character.
    static constexpr uint8_t MayBreak = 1;
    static constexpr uint8_t ClusterStart = 2;
    std::vector<uint8_t> flags_;
    int cells_ = 0;
    // The line holds a character from U+0590 up, which may be drawn wider
    // than its cells; below it every character fills its cells exactly.
    bool shaped_ = false;
    bool pendingLine_ = false;
    bool pageOpenedByFormFeed_ = false;
};

PageLayouter::PageLayouter(const PageGeometry& geometry, PageSink sink, LineFits fits)
    : geometry_(geometry), typesetter_(std::make_unique<Typesetter>(geometry, std::move(sink), std::move(fits)))
{
}

PageLayouter::~PageLayouter() = default;

void PageLayouter::Add(std::u32string_view text)
{
    // Only ended lines are laid out; a CR at the end may be the first half
    // of a CR LF.
    size_t end = text.find_last_of(U"\n\f\r");
    if (end != std::u32string_view::npos && text[end] == U'\r' && end + 1 == text.size()) {
        end = end == 0 ? std::u32string_view::npos : text.find_last_of(U"\n\f\r", end - 1);
    }
    if (end == std::u32string_view::npos) {
        held_ += text;
    } else {
        if (held_.empty()) {
            LayOut(text.substr(0, end + 1));
        } else {
            held_ += text.substr(0, end + 1);
            LayOut(held_);
            held_.clear();
        }
        held_ += text.substr(end + 1);
    }
    if (held_.size() > kMaxHeldLine) {
        // No line end in sight: lay out what is held as part of the line.
        size_t keep = held_.back() == U'\r' ? 1 : 0;
        LayOut(std::u32string_view(held_).substr(0, held_.size() - keep));
        held_.erase(0, held_.size() - keep);
    }
}

void PageLayouter::Finish()
{
    LayOut(held_);
    held_.clear();
    typesetter_->Finish();
}

namespace {

// Thai has no blanks between words: the places between two of its words
// that the dictionary finds are break opportunities too, where they begin a
// user-perceived character. Lao, Khmer and Myanmar have no such dictionary
// here; they break at their blanks, else at a cluster boundary.
void AddThaiWordBreaks(const std::u32string& line, const std::vector<bool>& clusters, std::vector<bool>& breaks)
{
    for (size_t i = 0; i < line.size();) {
        if (!IsThaiWordCharacter(line[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < line.size() && IsThaiWordCharacter(line[end])) {
            ++end;
        }
        if (end - i > 1) {
            for (size_t place : ThaiWordBoundaries(std::u32string_view(line).substr(i, end - i))) {
                if (clusters[i + place]) {
                    breaks[i + place] = true;
                }
            }
        }
        i = end;
    }
}

} // namespace

// Text that ends with a line end or form feed, or a part of a long line,
// or the document's end.
void PageLayouter::LayOut(std::u32string_view text)
{
    const PageGeometry& geometry = geometry_;
    Typesetter& typesetter = *typesetter_;
    size_t i = 0;
    while (i < text.size()) {
        // A source line is broken as a whole, its tabs as blanks: the rules
        // look at the characters around each place.
        // The line's end and its width in one pass: this runs over every
        // character of the document.
        size_t end = i;
        int widest = 0;
        bool tabs = false, shaped = false;
        for (; end < text.size(); ++end) {
            char32_t character = text[end];
            if (character < 0x20) {
                if (character == U'\r' || character == U'\n' || character == U'\f') {
                    break;
                }
                if (character == U'\t') {
                    tabs = true;
                    widest += geometry.tabWidth;
                    continue;
                }
            }
            if (character < 0x0300) {
                ++widest;
            } else {
                widest += CharacterWidth(character);
                shaped |= character >= 0x0590;
            }
        }
        // Most lines fit: they need no places to break at. One of shaped
        // scripts that fits in cells may still be too wide as drawn.
        bool fitting = widest <= geometry.columns && !tabs && typesetter.PutFitting(text.substr(i, end - i), widest, shaped);
        if (fitting) {
            // Put whole.
        } else if (widest <= geometry.columns && !shaped) {
            for (size_t k = i; k < end; ++k) {
                typesetter.Put(text[k], false, true);
            }
        } else {
            std::u32string line(text.substr(i, end - i));
            for (char32_t& character : line) {
                if (character == U'\t') {
                    character = U' ';
                }
            }
            std::vector<bool> breaks = LineBreakOpportunities(line);
            std::vector<bool> clusters = GraphemeBoundaries(line);
            AddThaiWordBreaks(line, clusters, breaks);
            for (size_t k = 0; k < line.size(); ++k) {
                typesetter.Put(text[i + k], breaks[k], clusters[k]);
            }
        }
        i = end;
        if (i == text.size()) {
            break;
        }
        char32_t character = text[i++];
        if (character == U'\f') {
            typesetter.EndPage();
        } else {
            if (character == U'\r' && i < text.size() && text[i] == U'\n') {
                ++i;
            }
            typesetter.MarkLinePending();
            typesetter.EndLine();
        }
    }
}

std::vector<Page> LayOutPages(const std::u32string& text, const PageGeometry& geometry)
{
    std::vector<Page> pages;
    PageLayouter layouter(geometry, [&](Page&& page) { pages.push_back(std::move(page)); });
    layouter.Add(text);
    layouter.Finish();
    return pages;
}

} // namespace Document
