#include "PngFilter.h"

#include "DocumentError.h"

#include <cstdint>
#include <cstdlib>

namespace Document::PngFilter {

namespace {

std::uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return static_cast<std::uint8_t>(a);
    }
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The predictor of byte i of a row: left, up, upper-left neighbours.
inline std::uint8_t Predict(int type, const std::uint8_t* row, const std::uint8_t* prior, std::size_t i, std::size_t bpp) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = prior != nullptr ? prior[i] : 0;
    const int c = i >= bpp && prior != nullptr ? prior[i - bpp] : 0;
    switch (type) {
    case 1: return static_cast<std::uint8_t>(a);
    case 2: return static_cast<std::uint8_t>(b);
    case 3: return static_cast<std::uint8_t>((a + b) / 2);
    case 4: return Paeth(a, b, c);
    default: return 0;
    }
}

} // namespace

void UnfilterRow(int type, std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes, std::size_t bytesPerPixel) {
    if (type > 4) {
        throw DocumentError(L"The PNG image is damaged: a row has an unknown filter type.");
    }
    if (type != 0) {
        for (std::size_t i = 0; i < rowBytes; ++i) {
            row[i] = static_cast<std::uint8_t>(row[i] + Predict(type, row, prior, i, bytesPerPixel));
        }
    }
}

void Unfilter(char* filtered, std::size_t rows, std::size_t rowBytes, std::size_t bytesPerPixel) {
    auto* data = reinterpret_cast<std::uint8_t*>(filtered);
    const std::uint8_t* prior = nullptr;
    for (std::size_t y = 0; y < rows; ++y) {
        std::uint8_t* line = data + y * (rowBytes + 1);
        UnfilterRow(line[0], line + 1, prior, rowBytes, bytesPerPixel);
        prior = line + 1;
    }
}

namespace {

// One filter over one row, into `out`; returns the sum of absolute
// differences that picks the filter. A template, so each loop is tight.
template <int type>
std::uint64_t FilterRow(const std::uint8_t* row, const std::uint8_t* prior, std::size_t rowBytes, std::size_t bpp,
                        std::uint8_t* out) {
    std::uint64_t cost = 0;
    for (std::size_t i = 0; i < rowBytes; ++i) {
        const auto value = static_cast<std::uint8_t>(row[i] - Predict(type, row, prior, i, bpp));
        out[i] = value;
        cost += value < 128 ? value : 256 - value;
    }
    return cost;
}

using RowFilter = std::uint64_t (*)(const std::uint8_t*, const std::uint8_t*, std::size_t, std::size_t, std::uint8_t*);
constexpr RowFilter kFilters[5] = {FilterRow<0>, FilterRow<1>, FilterRow<2>, FilterRow<3>, FilterRow<4>};

} // namespace

std::string Filter(const std::string& raw, std::size_t rows, std::size_t rowBytes, std::size_t bytesPerPixel) {
    std::string out(rows * (rowBytes + 1), '\0');
    std::string candidate(rowBytes, '\0');
    const auto* data = reinterpret_cast<const std::uint8_t*>(raw.data());
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = data + y * rowBytes;
        const std::uint8_t* prior = y > 0 ? row - rowBytes : nullptr;
        auto* line = reinterpret_cast<std::uint8_t*>(out.data() + y * (rowBytes + 1));
        std::uint64_t best = UINT64_MAX;
        for (int type = 0; type <= 4; ++type) {
            const std::uint64_t cost =
                kFilters[type](row, prior, rowBytes, bytesPerPixel, reinterpret_cast<std::uint8_t*>(candidate.data()));
            if (cost < best) {
                best = cost;
                line[0] = static_cast<std::uint8_t>(type);
                candidate.copy(reinterpret_cast<char*>(line) + 1, rowBytes);
            }
        }
    }
    return out;
}

} // namespace Document::PngFilter
