#pragma once
// Lays plain text out as the lines of fixed-width pages, the way a line
// printer would: tabs to the next stop, a long line wrapped at its last
// space, a form feed ends the page, a full page continues on the next.
#include <string>
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

// Never empty: an empty document gives one empty page. Line ends are CR LF,
// LF or a lone CR. A form feed at the very end adds no blank page. A line
// that does not fit breaks after its last blank that follows some text;
// one without such a blank breaks at the column limit. Throws DocumentError
// beyond Limits::kMaxPages.
std::vector<Page> LayOutPages(const std::u32string& text, const PageGeometry& geometry = {});

} // namespace Document
