#pragma once
// A PNG file as an image, losslessly. Where a PDF can take the file's
// compressed rows as they are (not interlaced, no alpha channel) they pass
// through with their row predictor; otherwise the rows are inflated, unfiltered,
// deinterlaced, the alpha channel split off as the soft mask, and the result
// compressed again. Grey, grey+alpha, RGB, RGBA and palette images at every
// bit depth PNG allows; tRNS becomes a colour key (grey, RGB) or a soft
// mask (palette); pHYs gives the resolution.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not a PNG the converter can take:
// damaged (a checksum, a length, the compressed data), or beyond Limits.h.
ImageData ReadPngImage(std::string_view file);

} // namespace Document
