#pragma once
// Lays plain text out as the lines of fixed-width pages, the way a line
// printer would: tabs to the next stop, long lines wrapped, a form feed ends
// the page, a full page continues on the next.
#include <string>
#include <vector>

namespace Converter {

struct PageGeometry {
    int columns = 80;
    int lines = 60;
    int tabWidth = 8;
};

// One page: its lines, each in WinAnsiEncoding, at most `columns` bytes.
using Page = std::vector<std::string>;

// Never empty: an empty document gives one empty page. Line ends are CR LF,
// LF or a lone CR. A form feed at the very end adds no blank page.
std::vector<Page> LayOutPages(const std::u32string& text, const PageGeometry& geometry = {});

} // namespace Converter
