// fuzz-seeds: *.png
// Any bytes through the PNG reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
// An image it returns must be one a PDF reader can decode: each stream
// inflates to exactly the rows its dictionary describes.
#include "DocumentError.h"
#include "FlateCodec.h"
#include "PngImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

void CheckStream(const Document::ImageData& image) {
    const std::size_t colours = image.colourModel == Document::ColourModel::Rgb ? 3 : 1;
    const std::size_t rowBytes = (std::size_t(image.width) * colours * image.bitsPerComponent + 7) / 8;
    if (image.width <= 0 || image.height <= 0 || image.encoding != Document::ImageEncoding::Flate ||
        !image.predictor) {
        std::abort();
    }
    try {
        Document::FlateCodec::DecompressExactly(image.data, (rowBytes + 1) * image.height, L"fuzz");
    } catch (const Document::DocumentError&) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<Document::ImageData> image;
    try {
        image = Document::ReadPngImage(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Document::DocumentError&) {
        return 0;
    }
    CheckStream(*image);
    if (image->softMask) {
        if (image->softMask->width != image->width || image->softMask->height != image->height) {
            std::abort();
        }
        CheckStream(*image->softMask);
    }
    return 0;
}
