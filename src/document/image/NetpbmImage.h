#pragma once
// A netpbm image (PBM, PGM or PPM, plain P1-P3 or raw P4-P6) as an image for
// the PDF, losslessly: a bitmap as 1-bit gray (its 1, black, turned into the
// PDF's 0), gray and RGB samples at 8 bits, or 16 where the largest sample
// needs them; a largest sample other than 255 or 65535 is scaled to it. The
// formats state no resolution.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not such an image the converter
// can take: damaged, truncated, or beyond Limits.h.
ImageData ReadNetpbmImage(std::string_view file);

} // namespace Document
