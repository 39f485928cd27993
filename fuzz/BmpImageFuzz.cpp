// fuzz-seeds: *.bmp
// A run-length image of a kilobyte may stand for one near the pixel limit
// (9472 by 5888 at 4 bits): unpacking and packing its rows takes 1.4 s under
// the sanitizers on an idle core, and more than 10 s on a loaded machine.
// fuzz-timeout: 30
// Any bytes through the BMP reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
#include "BmpImage.h"
#include "ImageDataCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        FuzzCheck::CheckImage(Document::ReadBmpImage(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const Document::DocumentError&) {
    }
    return 0;
}
