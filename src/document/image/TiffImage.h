#pragma once
// The images of a classic TIFF file (read with libtiff; BigTIFF refused), one
// for each directory, for the PDF: CCITT Group 3 and Group 4 strips and a
// JPEG image in one strip passed through as the file has them; everything
// else decoded by libtiff and compressed again with zlib, losslessly.
// Bilevel, gray, RGB, palette and CMYK at 1 to 16 bits a sample, an alpha
// channel as the soft mask; the resolution, orientation and ICC profile
// from the tags.
#include "ImageData.h"

#include <string_view>
#include <vector>

namespace Document {

// Throws a DocumentError, naming the reason, when the file or one of its
// images is not one the converter can take: damaged, truncated, of a
// compression whose codec is not built or a colour model it does not take,
// or beyond Limits.h.
std::vector<ImageData> ReadTiffImages(std::string_view file);

} // namespace Document
