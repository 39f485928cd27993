// fuzz-seeds: *.png
// Any bytes through the PNG reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
#include "DocumentError.h"
#include "PngImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto image = Converter::ReadPngImage(std::string_view(reinterpret_cast<const char*>(data), size));
        // What the PDF writer relies on.
        if (image.width <= 0 || image.height <= 0 || image.data.empty() ||
            (image.softMask && (image.softMask->width != image.width || image.softMask->height != image.height))) {
            std::abort();
        }
    } catch (const Converter::DocumentError&) {
    }
    return 0;
}
