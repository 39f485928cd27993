#pragma once
// CCITT Group 4 (T.6) coding of bilevel rows. A TIFF may split
// its Group 4 data into strips, each coded from an imaginary white row; a
// PDF image takes one stream. The strips' rows are decoded to their
// changing elements and coded again as one stream: the same pixels, the
// same coding, and about the same size.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Document::CcittGroup4 {

// One Group 4 stream of the rows of every strip; `rowsPerStrip[i]` rows in
// `strips[i]`. Throws a DocumentError naming `what` when a strip is damaged
// or ends before its rows.
std::string Join(const std::vector<std::string>& strips, const std::vector<int>& rowsPerStrip, int columns,
                 const std::wstring& what);

} // namespace Document::CcittGroup4
