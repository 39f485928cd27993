#pragma once
// The row filters of PNG, which are also the PDF's /Predictor 15: each row
// of `rowBytes` bytes is preceded by its filter type (0 None, 1 Sub, 2 Up,
// 3 Average, 4 Paeth); `bytesPerPixel` is at least 1 for sub-byte depths.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Document::PngFilter {

// Undoes filter `type` on one row in place; `prior` is the row above,
// already undone, or null for a pass's first row. Throws a DocumentError for
// a filter type above 4.
void UnfilterRow(int type, std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes, std::size_t bytesPerPixel);

// Undoes the filters in place: afterwards each row still starts with its
// filter byte (now meaningless) followed by the original bytes. Throws a
// DocumentError for a filter type above 4.
void Unfilter(char* filtered, std::size_t rows, std::size_t rowBytes, std::size_t bytesPerPixel);

// Filters rows of `rowBytes` bytes each (no filter bytes in `raw`), choosing
// per row the filter with the smallest sum of absolute differences, as PNG
// encoders do, so that Flate compresses photographs well.
std::string Filter(const std::string& raw, std::size_t rows, std::size_t rowBytes, std::size_t bytesPerPixel);

} // namespace Document::PngFilter
