#include "RasterImage.h"

#include "DocumentError.h"
#include "FlateCodec.h"
#include "Limits.h"
#include "PngFilter.h"

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

void SetRows(ImageData& image, const std::string& rows) {
    image.encoding = ImageEncoding::Flate;
    const int colours = image.colourModel == ColourModel::Rgb ? 3 : image.colourModel == ColourModel::Cmyk ? 4 : 1;
    // The predictor helps continuous tones; for indices and bilevel rows it
    // only adds a byte a row.
    if (image.colourModel == ColourModel::Indexed || image.bitsPerComponent < 8) {
        image.predictor.reset();
        image.data = FlateCodec::Compress(rows);
        return;
    }
    const std::size_t rowBytes = RowBytes(image.width, colours, image.bitsPerComponent);
    const std::size_t bytesPerPixel = std::max<std::size_t>(1, std::size_t(colours) * image.bitsPerComponent / 8);
    image.predictor = RowPredictor{colours, image.bitsPerComponent, image.width};
    image.data = FlateCodec::Compress(PngFilter::Filter(rows, image.height, rowBytes, bytesPerPixel));
}

std::shared_ptr<ImageData> SoftMask(int width, int height, const std::string& alpha) {
    if (std::all_of(alpha.begin(), alpha.end(), [](char a) { return a == '\xff'; })) {
        return nullptr;
    }
    auto mask = std::make_shared<ImageData>();
    mask->width = width;
    mask->height = height;
    mask->bitsPerComponent = 8;
    mask->colourModel = ColourModel::Gray;
    SetRows(*mask, alpha);
    return mask;
}

std::string PackRows(const std::string& samples, int width, int height, int bits) {
    if (bits == 8) {
        return samples;
    }
    const std::size_t rowBytes = RowBytes(width, 1, bits);
    std::string rows(rowBytes * height, '\0');
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            const std::size_t bit = x * bits;
            const auto value = static_cast<unsigned char>(samples[y * width + x]) & ((1u << bits) - 1);
            rows[y * rowBytes + bit / 8] = static_cast<char>(rows[y * rowBytes + bit / 8] | (value << (8 - bits - bit % 8)));
        }
    }
    return rows;
}

} // namespace Document::RasterImage
