// fuzz-seeds: *.pbm *.pgm *.ppm
// Any bytes through the netpbm (PBM, PGM, PPM) reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
#include "NetpbmImage.h"
#include "ImageDataCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        FuzzCheck::CheckImage(Document::ReadNetpbmImage(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const Document::DocumentError&) {
    }
    return 0;
}
