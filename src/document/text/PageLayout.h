#pragma once
// Lays plain text out as the lines of fixed-width pages, the way a line
// printer would: tabs to the next stop, a long line wrapped at its last
// space, a form feed ends the page, a full page continues on the next.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

struct PageGeometry {
    int columns = 80;
    // The line-printer page that documents with form feeds are laid out for.
    int lines = 66;
    int tabWidth = 8;
};

// One page: its lines, each at most `columns` cells wide (CharacterWidth),
// tabs already turned into blanks.
using Page = std::vector<std::u32string>;

// Whether a line, as it will be drawn, stays inside the text frame: a line
// of shaped scripts is drawn with its glyphs' advances, which need not be
// its characters' cells.
using LineFits = std::function<bool(std::u32string_view line)>;

// Lays a text out as it arrives, in pieces cut anywhere, handing each page
// over as soon as it is full: what it holds is the page being filled and
// the source line not yet ended. A source line is broken as a whole, its
// tabs as blanks; one longer than kMaxHeldLine characters is laid out in
// parts of that size, each broken on its own. With `fits`, a line that
// holds a character from U+0590 up and is too wide as drawn, though not in
// cells, breaks earlier by the same rules.
class PageLayouter {
public:
    using PageSink = std::function<void(Page&& page)>;
    static constexpr size_t kMaxHeldLine = 1u << 20;

    PageLayouter(const PageGeometry& geometry, PageSink sink, LineFits fits = {});
    ~PageLayouter();
    void Add(std::u32string_view text);
    // The last page; never none, as LayOutPages.
    void Finish();

private:
    class Typesetter;
    void LayOut(std::u32string_view text);

    PageGeometry geometry_;
    std::unique_ptr<Typesetter> typesetter_;
    std::u32string held_;
};

// Never empty: an empty document gives one empty page. Line ends are CR LF,
// LF or a lone CR. A form feed at the very end adds no blank page. A line
// that does not fit breaks after its last blank that follows some text;
// one without such a blank breaks at the column limit. Throws DocumentError
// beyond Limits::kMaxPages.
std::vector<Page> LayOutPages(const std::u32string& text, const PageGeometry& geometry = {});

} // namespace Document
