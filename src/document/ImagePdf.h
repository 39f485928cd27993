#pragma once
// Images as a PDF, one page each: every image's data goes in as its reader
// encoded it (a JPEG file's own bytes, a PNG's compressed rows, CCITT data),
// never decoded and encoded again, and every dictionary is built from the
// reader's facts (ImageData) through the typed writer. Each page is the
// paper turned to suit its picture (ImagePage); a picture the file records
// as turned or mirrored (EXIF orientation) is shown the way it was taken.
#include "DocumentInfo.h"
#include "ImageData.h"
#include "Paper.h"

#include <string>
#include <vector>

namespace Document {

// Around an image as around text: half an inch.
inline constexpr double kImageMargin = 36;

// The PDF 1.x that an image needs: 5 for 16-bit samples, 4 for a soft mask, else 3.
int ImagePdfVersion(const ImageData& image);

// `paper`: in portrait. Throws std::invalid_argument for no pages.
std::string WriteImagePdf(const std::vector<ImageData>& pages, const Paper& paper, const DocumentInfo& info);

} // namespace Document
