#include "RasterImage.h"

#include "DocumentError.h"
#include "Limits.h"
#include "PackedSamples.h"

#include <algorithm>

namespace Document::RasterImage {

void CheckSize(const std::wstring& what, std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) {
        throw DocumentError(what + L" is damaged: it has no pixels.");
    }
    if (width > Limits::kMaxImageSide || height > Limits::kMaxImageSide || width * height > Limits::kMaxImagePixels) {
        throw DocumentError(what + L" is too large: " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
                            L" pixels (the converter takes at most " + std::to_wstring(Limits::kMaxImageSide) +
                            L" pixels a side and " + std::to_wstring(Limits::kMaxImagePixels / 1'000'000) +
                            L" megapixels).");
    }
}

void CheckDecodedBytes(const std::wstring& what, std::uint64_t bytes) {
    if (bytes > Limits::kMaxDecodedImageBytes) {
        throw DocumentError(what + L" is too large to decode: " + std::to_wstring(bytes >> 20) +
                            L" MiB of image data (at most " + std::to_wstring(Limits::kMaxDecodedImageBytes >> 20) +
                            L" MiB).");
    }
}

std::uint64_t RowBytes(std::uint64_t width, int samplesPerPixel, int bitsPerSample) {
    return (width * static_cast<std::uint64_t>(samplesPerPixel) * static_cast<std::uint64_t>(bitsPerSample) + 7) / 8;
}

std::shared_ptr<ImageData> SoftMask(int width, int height, std::string alpha, int bits) {
    if (std::all_of(alpha.begin(), alpha.end(), [](char a) { return a == '\xff'; })) {
        return nullptr;
    }
    auto mask = std::make_shared<ImageData>();
    mask->width = width;
    mask->height = height;
    mask->bitsPerComponent = bits;
    mask->colourModel = ColourModel::Gray;
    mask->data = std::move(alpha);
    return mask;
}

std::string PackRows(const std::string& samples, int width, int height, int bits) {
    if (bits == 8) {
        return samples;
    }
    const std::size_t rowBytes = RowBytes(width, 1, bits);
    std::string rows(rowBytes * height, '\0');
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(rows.data() + y * rowBytes);
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            PackedSamples::Write(row, x, bits, static_cast<unsigned char>(samples[y * width + x]));
        }
    }
    return rows;
}

} // namespace Document::RasterImage
