#pragma once
// Decoded pixels to the ImageData the PDF layer takes, for the readers that
// must decode a file's own compression (PNG, BMP, GIF, TIFF): the size
// checks every such reader makes before it takes memory, the soft mask and
// the packing of rows. How the rows are compressed is the PDF layer's choice.
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

// A Gray image of the alpha, of `bits` (8 or 16) a pixel, for the soft mask,
// or null when every pixel is opaque (all bits set).
std::shared_ptr<ImageData> SoftMask(int width, int height, std::string alpha, int bits = 8);

// One sample a byte to rows of `bits` (1, 2, 4 or 8) a sample, most
// significant first, each row starting on a byte.
std::string PackRows(const std::string& samples, int width, int height, int bits);

} // namespace Document::RasterImage
