#include "Flate.h"

#include <zlib.h>

#include <stdexcept>

namespace Converter {

std::string Deflate(std::string_view bytes)
{
    // Level 6, zlib's default: on text streams the higher levels gain a few
    // per cent at twice the time.
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string compressed(size, '\0');
    int result = compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                           reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()), 6);
    if (result != Z_OK) {
        throw std::runtime_error("zlib could not compress a stream (error " + std::to_string(result) + ")");
    }
    compressed.resize(size);
    return compressed;
}

} // namespace Converter
