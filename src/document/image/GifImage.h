#pragma once
// The first image of a GIF file as an image for the PDF, losslessly: its
// indices against the local or global colour table (deinterlaced), on the
// logical screen when it lies within it, the transparent colour and the
// screen outside the image as a soft mask.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not a GIF the converter can take:
// damaged, truncated, without a colour table, or beyond Limits.h.
ImageData ReadGifImage(std::string_view file);

} // namespace Document
