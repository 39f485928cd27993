// fuzz-seeds: *.xbm
// Any bytes through the XBM reader: it returns an image or refuses with a
// DocumentError, and never crashes, leaks, loops or takes unbounded memory.
#include "XbmImage.h"
#include "ImageDataCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        FuzzCheck::CheckImage(Document::ReadXbmImage(std::string_view(reinterpret_cast<const char*>(data), size)));
    } catch (const Document::DocumentError&) {
    }
    return 0;
}
