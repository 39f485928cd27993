#pragma once
// One image on one page, as a PDF: the image's data goes in as the reader
// encoded it (a JPEG file's own bytes, a PNG's compressed rows), never
// decoded and encoded again. The placement (ImagePage) gives the page's
// size and the rectangle the image fills on it.
#include "DocumentInfo.h"
#include "ImagePage.h"
#include "PdfImage.h"

#include <string>

namespace Document {

std::string WriteImagePdf(const PdfImage& image, const ImagePlacement& placement, const DocumentInfo& info);

} // namespace Document
