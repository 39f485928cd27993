#pragma once
// The real fonts the font tests read: the one PDFCreator.exe carries and a
// proportional one from the same family (Debian's fonts-dejavu-core).
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace Document {

inline std::string ReadFontFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline const std::string MonoFontPath = DEJAVU_MONO_PATH;
inline const std::string SansFontPath = DEJAVU_SANS_PATH;

} // namespace Document
