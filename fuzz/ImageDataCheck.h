#pragma once
// What every image reader's fuzz target checks of an image it returns: the
// facts agree with each other, and plain rows, or a Flate stream once
// inflated, are exactly the rows they describe, so a PDF reader can decode
// what the PDF layer makes of them.
#include "DocumentError.h"
#include "FlateCodec.h"
#include "ImageData.h"

#include <cstdlib>

namespace FuzzCheck {

inline void CheckImage(const Document::ImageData& image) {
    using Document::ColourModel;
    if (image.width <= 0 || image.height <= 0 || image.palette.has_value() != (image.colourModel == ColourModel::Indexed)) {
        std::abort();
    }
    const int bits = image.bitsPerComponent;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) {
        std::abort();
    }
    if (image.palette && image.palette->entries.size() < (std::size_t{3} << bits)) {
        std::abort(); // an index the depth allows without a colour
    }
    if (image.encoding == Document::ImageEncoding::CcittFax) {
        if (!image.ccitt || image.ccitt->columns != image.width || bits != 1) {
            std::abort();
        }
        return;
    }
    if (image.encoding == Document::ImageEncoding::Dct) {
        return;
    }
    const std::size_t colours = image.colourModel == ColourModel::Rgb ? 3 : image.colourModel == ColourModel::Cmyk ? 4 : 1;
    const std::size_t rowBytes = (std::size_t(image.width) * colours * bits + 7) / 8;
    if (image.encoding == Document::ImageEncoding::Rows) {
        if (image.data.size() != rowBytes * image.height) {
            std::abort();
        }
    } else {
        try {
            Document::FlateCodec::DecompressExactly(image.data, (rowBytes + (image.predictor ? 1 : 0)) * image.height,
                                                    L"fuzz");
        } catch (const Document::DocumentError&) {
            std::abort();
        }
    }
    if (image.softMask) {
        if (image.softMask->width != image.width || image.softMask->height != image.height) {
            std::abort();
        }
        CheckImage(*image.softMask);
    }
}

} // namespace FuzzCheck
