#pragma once
// A JPEG file as an image whose data is the file's bytes, as they are. Only
// the headers are read: the frame header for the size, components and
// precision; Adobe's APP14 marker, whose CMYK is stored inverted; the JFIF
// or EXIF density for the resolution; the EXIF orientation, which the page
// applies (the bytes stay as they are). Baseline, extended and progressive
// files are taken.
#include "ImageData.h"

#include <string_view>

namespace Document {

// Throws a DocumentError when the file is not a JPEG that a PDF can carry
// (lossless, hierarchical or arithmetic coding, 12-bit samples, two
// components), when its headers are damaged, or beyond Limits.h.
ImageData ReadJpegImage(std::string_view file);

} // namespace Document
