#pragma once
// Samples packed in a row, most significant bit first, as PNG, TIFF, BMP
// and the PDF store them: 1 to 16 bits a sample, samples of 16 bits
// big-endian, each row starting on a byte.
#include <cstddef>
#include <cstdint>

namespace Document::PackedSamples {

// Sample `index` of `row`; any depth from 1 to 16 bits, also one that
// straddles bytes (a TIFF's 12 bits).
inline unsigned Read(const std::uint8_t* row, std::size_t index, int bits) {
    if (bits == 8) {
        return row[index];
    }
    if (bits == 16) {
        return (unsigned{row[2 * index]} << 8) | row[2 * index + 1];
    }
    const std::size_t bit = index * static_cast<std::size_t>(bits);
    unsigned value = 0;
    for (int taken = 0; taken < bits;) {
        const std::size_t at = (bit + taken) / 8;
        const int offset = static_cast<int>((bit + taken) % 8);
        const int take = bits - taken < 8 - offset ? bits - taken : 8 - offset;
        value = (value << take) | ((row[at] >> (8 - offset - take)) & ((1u << take) - 1));
        taken += take;
    }
    return value;
}

// Puts `value` as sample `index` of `row`, whose bits there are still 0;
// `bits` is 1, 2, 4, 8 or 16.
inline void Write(std::uint8_t* row, std::size_t index, int bits, unsigned value) {
    if (bits == 16) {
        row[2 * index] = static_cast<std::uint8_t>(value >> 8);
        row[2 * index + 1] = static_cast<std::uint8_t>(value);
        return;
    }
    const std::size_t bit = index * static_cast<std::size_t>(bits);
    const unsigned mask = (1u << bits) - 1;
    row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | ((value & mask) << (8 - bits - bit % 8)));
}

} // namespace Document::PackedSamples
