// fuzz-seeds: *.png
// Any bytes through the PNG reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
// An image it returns must be one a PDF reader can decode: its rows, or its
// stream once inflated, are exactly the rows its facts describe.
#include "DocumentError.h"
#include "ImageDataCheck.h"
#include "PngImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<Document::ImageData> image;
    try {
        image = Document::ReadPngImage(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Document::DocumentError&) {
        return 0;
    }
    FuzzCheck::CheckImage(*image);
    return 0;
}
