#pragma once
// Decoded pixels to the ImageData the PDF layer takes, for the readers that
// must decode a file's own compression (BMP, GIF, TIFF): the size checks
// every such reader makes before it takes memory, and the rows compressed
// again with zlib.
#include "ImageData.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Document::RasterImage {

// Throws a DocumentError naming `what` ("The GIF image") when the image has
// no pixels or is beyond the side and area limits.
void CheckSize(const std::wstring& what, std::uint64_t width, std::uint64_t height);

// Throws a DocumentError naming `what` when `bytes` of decoded data are
// beyond the limit.
void CheckDecodedBytes(const std::wstring& what, std::uint64_t bytes);

// Bytes of a row of `width` pixels of `samplesPerPixel` samples, packed.
std::uint64_t RowBytes(std::uint64_t width, int samplesPerPixel, int bitsPerSample);

// Sets `image`'s data from its packed rows (no padding between them), with
// the PNG predictor where it pays off (8 and 16-bit colour), plain Flate
// where it does not (indices, bilevel).
void SetRows(ImageData& image, const std::string& rows);

// A Gray image of one byte a pixel for the soft mask, or null when every
// pixel is opaque (255).
std::shared_ptr<ImageData> SoftMask(int width, int height, const std::string& alpha);

// One sample a byte to rows of `bits` (1, 2, 4 or 8) a sample, most
// significant first, each row starting on a byte.
std::string PackRows(const std::string& samples, int width, int height, int bits);

} // namespace Document::RasterImage
