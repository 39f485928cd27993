#pragma once
// The most that a document handed to the converter may ask of it. A file
// that claims more is refused with a DocumentError before the memory is
// taken, so that a crafted file cannot exhaust a 32-bit process. Each limit
// is listed in src/converter/README.md ("Limits").
#include <cstddef>
#include <cstdint>

namespace Document::Limits {

// An image's side in pixels and its area: a 600 dpi scan of A3 paper is
// 7,016 x 9,921 (70 megapixels).
inline constexpr std::uint32_t kMaxImageSide = 20'000;
inline constexpr std::uint64_t kMaxImagePixels = 100'000'000;

// The decoded image data that the readers hold at once (a PNG's inflated
// rows, filter bytes included): 256 MiB, RGB at 85 megapixels.
inline constexpr std::uint64_t kMaxDecodedImageBytes = 256ull << 20;

// Chunks in a PNG file, and marker segments in a JPEG file's headers. Real
// files have tens; the bound keeps a file of empty chunks from costing time.
inline constexpr std::size_t kMaxPngChunks = 100'000;
inline constexpr std::size_t kMaxJpegSegments = 10'000;

// An embedded ICC colour profile (a JPEG's APP2 chunks joined, a PNG's
// iCCP inflated): real profiles take from a few hundred bytes to a few MiB,
// and the most a JPEG can carry is 255 chunks of 64 KiB.
inline constexpr std::size_t kMaxIccProfileBytes = 16u << 20;

// Images (directories) in one TIFF file: a fax server's longest
// transmissions have hundreds of pages. The decoded data of all of them
// together stays within kMaxDecodedImageBytes.
inline constexpr std::size_t kMaxTiffImages = 2'000;

// An image's or PDF's size: they are read whole. A text has no such limit:
// it is read, laid out and written a page at a time.
inline constexpr std::size_t kMaxDocumentBytes = 32u << 20;

// Pages of one text's PDF. A page is two objects, and a PDF holds at most
// 8,388,607 (the readers' limit); the writer keeps some 50 bytes a page
// (offsets and the page tree), 200 MiB at the limit. A 1 GiB text of
// 80-column lines has about 200,000 pages.
inline constexpr std::size_t kMaxPages = 4'000'000;

} // namespace Document::Limits
