#pragma once
// A Windows bitmap (BMP) as an image for the PDF, losslessly: 1, 2, 4 and
// 8-bit indexed rows (RLE8 and RLE4 expanded), 16, 24 and 32-bit colour
// (bit-field masks of the info header, of V4 and V5 headers), bottom-up and
// top-down; an alpha mask becomes the soft mask; the pixels per metre give
// the resolution.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not a bitmap the converter can
// take: damaged, truncated, an embedded JPEG or PNG, or beyond Limits.h.
ImageData ReadBmpImage(std::string_view file);

} // namespace Document
