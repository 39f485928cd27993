#include "ImageSamples.h"

#include "FlateCodec.h"
#include "PngFilter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

namespace ImageSamples {

std::string Read(const std::string& name) {
    std::ifstream in(std::string(SAMPLES_DIR) + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::vector<std::string>> List() {
    std::istringstream lines(Read("list.txt"));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string word; words >> word;) {
            row.push_back(word);
        }
        if (!row.empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}

namespace {

int Colours(Document::ColourModel model) {
    return model == Document::ColourModel::Rgb ? 3 : model == Document::ColourModel::Cmyk ? 4 : 1;
}

// The samples of the stream, in order, at the image's depth.
std::vector<std::uint16_t> StreamSamples(const Document::ImageData& image, int colours) {
    const std::size_t bits = std::size_t(colours) * image.bitsPerComponent;
    const std::size_t rowBytes = (image.width * bits + 7) / 8;
    const bool predictor = image.predictor.has_value();
    const std::size_t stride = rowBytes + (predictor ? 1 : 0);
    std::string rows = Document::FlateCodec::DecompressExactly(image.data, stride * image.height, L"test");
    if (predictor) {
        Document::PngFilter::Unfilter(rows.data(), image.height, rowBytes, std::max<std::size_t>(1, bits / 8));
    }
    std::vector<std::uint16_t> samples;
    const unsigned depth = image.bitsPerComponent;
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(rows.data() + y * stride + (predictor ? 1 : 0));
        for (std::size_t i = 0; i < std::size_t(image.width) * colours; ++i) {
            if (depth == 16) {
                samples.push_back(static_cast<std::uint16_t>((row[2 * i] << 8) | row[2 * i + 1]));
            } else {
                const std::size_t bit = i * depth;
                samples.push_back(static_cast<std::uint16_t>((row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1)));
            }
        }
    }
    return samples;
}

} // namespace

std::vector<std::uint16_t> ColourSamples(const Document::ImageData& image) {
    if (image.colourModel != Document::ColourModel::Indexed) {
        return StreamSamples(image, Colours(image.colourModel));
    }
    const std::string& palette = image.palette.value().entries;
    std::vector<std::uint16_t> rgb;
    for (const std::uint16_t index : StreamSamples(image, 1)) {
        for (int c = 0; c < 3; ++c) {
            rgb.push_back(3u * index + c < palette.size() ? static_cast<unsigned char>(palette[3 * index + c]) : 0);
        }
    }
    return rgb;
}

std::vector<std::uint16_t> Alpha(const Document::ImageData& image) {
    std::vector<std::uint16_t> alpha;
    if (image.softMask) {
        const unsigned top = (1u << image.softMask->bitsPerComponent) - 1;
        for (const std::uint16_t a : StreamSamples(*image.softMask, 1)) {
            alpha.push_back(static_cast<std::uint16_t>(a * 65535u / top));
        }
    } else if (!image.colourKey.empty()) {
        const std::vector<int>& bounds = image.colourKey;
        const std::vector<std::uint16_t> colours = StreamSamples(image, Colours(image.colourModel));
        const std::size_t n = bounds.size() / 2;
        for (std::size_t i = 0; i < colours.size(); i += n) {
            bool masked = true;
            for (std::size_t c = 0; c < n; ++c) {
                masked = masked && colours[i + c] >= bounds[2 * c] && colours[i + c] <= bounds[2 * c + 1];
            }
            alpha.push_back(masked ? 0 : 65535);
        }
    }
    for (const std::uint16_t a : alpha) {
        if (a != 65535) {
            return alpha;
        }
    }
    return {};
}

std::string Chunk(const std::string& type, const std::string& data) {
    auto big = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string body = type + data;
    return big(static_cast<std::uint32_t>(data.size())) + body +
           big(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

std::string PngStart(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType, int interlace) {
    auto big = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           Chunk("IHDR", big(width) + big(height) + std::string{char(bitDepth), char(colorType), 0, 0, char(interlace)});
}

} // namespace ImageSamples
