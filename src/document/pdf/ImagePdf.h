#pragma once
// Images as a PDF, one page each: data a reader passed through goes in as
// the file encoded it (a JPEG file's own bytes, a PNG's compressed rows,
// CCITT data), never decoded and encoded again; plain rows are compressed
// here, the one place that chooses Flate's predictor. Every dictionary is
// built from the reader's facts (ImageData) through the typed writer. Each page is the
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

// `paper`: in portrait. Throws std::invalid_argument for no pages.
std::string WriteImagePdf(const std::vector<ImageData>& pages, const Paper& paper, const DocumentInfo& info);

} // namespace Document
