#pragma once
// LZW decoding in its two image dialects: TIFF's (codes most significant
// bit first, from 9 bits, growing one code early) and GIF's (codes least
// significant bit first, from one bit more than the code size the image
// names, growing when the table fills). Both stop at the end code or when
// `limit` bytes are out, so the output never exceeds what the image allows.
#include <cstddef>
#include <string>
#include <string_view>

namespace Document::Lzw {

enum class Dialect { Tiff, Gif };

// Decodes `data`: for GIF, `minimumCodeSize` is the image's code size (2 to
// 8); TIFF's is always 8. Throws a DocumentError naming `what` for a code
// the table does not hold yet. The output may be shorter than `limit` when
// the data ends first.
std::string Decode(std::string_view data, Dialect dialect, int minimumCodeSize, std::size_t limit,
                   const std::wstring& what);

} // namespace Document::Lzw
