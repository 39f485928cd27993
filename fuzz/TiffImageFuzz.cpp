// fuzz-seeds: *.tif *.tiff
// Any bytes through the TIFF reader: it returns its images or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
#include "ImageDataCheck.h"
#include "TiffImage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        for (const Document::ImageData& image :
             Document::ReadTiffImages(std::string_view(reinterpret_cast<const char*>(data), size))) {
            FuzzCheck::CheckImage(image);
        }
    } catch (const Document::DocumentError&) {
    }
    return 0;
}
