#include "ImageSamples.h"

#include "FlateCodec.h"
#include "PngFilter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace ImageSamples {

std::string Read(const std::string& name) {
    std::ifstream in(std::string(SAMPLES_DIR) + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::vector<std::string>> List(const std::string& name) {
    std::istringstream lines(Read(name));
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
    // Plain rows as they are; a file's Flate data passed through inflated.
    const bool plain = image.encoding == Document::ImageEncoding::Rows;
    const bool predictor = !plain && image.predictor.has_value();
    const std::size_t stride = rowBytes + (predictor ? 1 : 0);
    EXPECT_TRUE(plain || image.encoding == Document::ImageEncoding::Flate);
    std::string rows = plain ? image.data : Document::FlateCodec::DecompressExactly(image.data, stride * image.height, L"test");
    EXPECT_EQ(rows.size(), stride * image.height);
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

void ExpectReference(const Document::ImageData& image, const std::string& refName) {
    using Document::ImageEncoding;
    const std::string bytes = Read(refName);
    const std::size_t newline = bytes.find('\n');
    std::istringstream head(bytes.substr(0, newline));
    std::string kind;
    int width = 0, height = 0, a = 0, b = 0, orientation = 0;
    double dpi = 0;
    head >> kind >> width >> height >> a >> b >> dpi >> orientation;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.orientation, orientation);
    if (dpi != 0) {
        EXPECT_NEAR(image.dpiX, dpi, 0.02);
    }
    if (kind == "ccitt") {
        ASSERT_EQ(image.encoding, ImageEncoding::CcittFax);
        ASSERT_TRUE(image.ccitt.has_value());
        EXPECT_EQ(image.ccitt->k, a);
        EXPECT_EQ(image.ccitt->blackIs1, b == 1);
        EXPECT_EQ(image.ccitt->columns, width);
        EXPECT_EQ(image.ccitt->rows, height);
        return;
    }
    if (kind == "dct") {
        ASSERT_EQ(image.encoding, ImageEncoding::Dct);
        EXPECT_EQ(image.colourModel, a == 3 ? Document::ColourModel::Rgb : Document::ColourModel::Gray);
        EXPECT_EQ(image.data.substr(0, 2), "\xff\xd8");
        return;
    }
    ASSERT_EQ(kind, "flate"); // plain rows, or Flate data passed through
    std::vector<std::uint16_t> expected;
    for (std::size_t at = newline + 1; at + 1 < bytes.size(); at += 2) {
        expected.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                                      (static_cast<unsigned char>(bytes[at + 1]) << 8)));
    }
    const std::size_t colourCount = std::size_t(width) * height * a;
    const std::vector<std::uint16_t> alpha(expected.begin() + std::min(colourCount, expected.size()), expected.end());
    expected.resize(std::min(colourCount, expected.size()));
    std::vector<std::uint16_t> colour = ColourSamples(image);
    const std::vector<std::uint16_t> gotAlpha = Alpha(image);
    EXPECT_TRUE(gotAlpha == alpha) << "alpha differs";
    // The colour under a wholly transparent pixel is the writer's to choose.
    for (std::size_t i = 0; i < alpha.size() && colour.size() == expected.size(); ++i) {
        if (alpha[i] == 0) {
            std::copy_n(expected.begin() + i * a, a, colour.begin() + i * a);
        }
    }
    ASSERT_EQ(colour.size(), expected.size());
    std::size_t differ = 0;
    while (differ < colour.size() && colour[differ] == expected[differ]) {
        ++differ;
    }
    EXPECT_EQ(differ, colour.size()) << "first difference at sample " << differ << ": " << colour[differ] << " for "
                                     << expected[differ];
}

int CheckFormatSamples(const std::string& format,
                       const std::function<std::vector<Document::ImageData>(std::string_view)>& read) {
    int checked = 0;
    for (const auto& row : List("formats.txt")) {
        if (row[0] != format) {
            continue;
        }
        SCOPED_TRACE(row[1]);
        const std::vector<Document::ImageData> images = read(Read(row[1]));
        EXPECT_EQ(images.size(), std::stoul(row[2]));
        for (std::size_t i = 0; i < images.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            ExpectReference(images[i], row[1] + "." + std::to_string(i) + ".ref");
            ++checked;
        }
    }
    return checked;
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
