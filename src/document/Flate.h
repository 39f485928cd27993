#pragma once
// Flate (zlib) compression of PDF stream data.
#include <string>
#include <string_view>

namespace Converter {

// The zlib stream of the bytes, as /FlateDecode reads it.
std::string Deflate(std::string_view bytes);

} // namespace Converter
