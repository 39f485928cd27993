// fuzz-seeds: *.jpg *.jpeg
// Any bytes through the JPEG header reader: it returns the file as the
// image's data or refuses with a DocumentError.
#include "DocumentError.h"
#include "JpegImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    try {
        const auto image = Document::ReadJpegImage(file);
        if (image.width <= 0 || image.height <= 0 || image.data != file) {
            std::abort();
        }
    } catch (const Document::DocumentError&) {
    }
    return 0;
}
