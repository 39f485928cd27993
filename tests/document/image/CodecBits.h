#pragma once
// Known vectors written as the bits a codec reads: "0011 011" packed most
// significant bit first, blanks ignored, the last byte padded with zeros.
#include <string>
#include <string_view>

namespace CodecBits {

inline std::string Pack(std::string_view bits) {
    std::string out;
    int count = 0;
    unsigned char byte = 0;
    for (const char c : bits) {
        if (c != '0' && c != '1') {
            continue;
        }
        byte = static_cast<unsigned char>(byte << 1 | (c == '1'));
        if (++count == 8) {
            out += static_cast<char>(byte);
            count = 0;
            byte = 0;
        }
    }
    if (count > 0) {
        out += static_cast<char>(byte << (8 - count));
    }
    return out;
}

} // namespace CodecBits
