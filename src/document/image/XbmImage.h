#pragma once
// An X bitmap (XBM), the C source X11 keeps its bitmaps in, as an image for
// the PDF: 1-bit gray, its set bits (the foreground) black. Both dialects:
// X11's array of bytes and X10's array of 16-bit shorts, each row padded to
// a whole unit, the first pixel in the lowest bit.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not a bitmap the converter can
// take: damaged, truncated, or beyond Limits.h.
ImageData ReadXbmImage(std::string_view file);

} // namespace Document
