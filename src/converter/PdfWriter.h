#pragma once
// A PDF 1.4 file of text pages, written by hand: one shared standard font
// (Courier, WinAnsiEncoding, not embedded), one content stream per page.
#include "PageLayout.h"

#include <string>
#include <vector>

namespace Converter {

// A4 in points, and the type set on it: 10 pt Courier (6 pt per character)
// on a 12 pt line pitch, 80 columns by 60 lines centred on the page.
struct PdfPageFormat {
    double width = 595;
    double height = 842;
    double fontSize = 10;
    double leading = 12;
    double left = 57.5;
    double firstBaseline = 778;
};

// The bytes of a literal string's contents, with ( ) and \ escaped and line
// ends written as escapes so that a reader's end-of-line rules cannot touch them.
std::string EscapePdfString(const std::string& bytes);

// The whole file. At least one page is always written.
std::string WritePdf(const std::vector<Page>& pages, const PdfPageFormat& format = {});

} // namespace Converter
