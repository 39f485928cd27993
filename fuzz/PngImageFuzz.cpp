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

void CheckStream(const Document::PdfImage& image) {
    const std::size_t colours = image.colorSpace == "/DeviceRGB" ? 3 : 1;
    const std::size_t rowBytes = (std::size_t(image.width) * colours * image.bitsPerComponent + 7) / 8;
    if (image.width <= 0 || image.height <= 0 || image.filter != "/FlateDecode" ||
        image.decodeParms.find("/Predictor 15") == std::string::npos) {
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
    std::optional<Document::PdfImage> image;
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
