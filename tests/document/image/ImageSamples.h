#pragma once
// What the image tests share: the sample folder that png_samples.py fills at
// build time, and the samples a PDF reader gets back from an image.
#include "ImageData.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ImageSamples {

// A file of the sample folder (SAMPLES_DIR), whole.
std::string Read(const std::string& name);

// A list of the sample folder (png_samples.py's list.txt, image_samples.py's
// formats.txt), one row per line, split at spaces.
std::vector<std::vector<std::string>> List(const std::string& name = "list.txt");

// The colour samples of every pixel as a PDF reader decodes the image: the
// stream inflated, its predictor undone, indexed colours looked up in the
// palette.
std::vector<std::uint16_t> ColourSamples(const Document::ImageData& image);

// Each pixel's opacity, 0..65535, from the soft mask or the colour key; empty when every pixel is opaque.
std::vector<std::uint16_t> Alpha(const Document::ImageData& image);

// Checks an image a reader returned against `refName`, what
// image_samples.py says it must give (colour, alpha, resolution, turn, or
// the parameters of data passed through).
void ExpectReference(const Document::ImageData& image, const std::string& refName);

// Every sample of `format` in formats.txt through `read`, each image
// checked by ExpectReference; returns how many images were checked.
int CheckFormatSamples(const std::string& format,
                       const std::function<std::vector<Document::ImageData>(std::string_view)>& read);

// A PNG chunk: length, type, data, CRC.
std::string Chunk(const std::string& type, const std::string& data);
// The PNG signature followed by an IHDR chunk.
std::string PngStart(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType, int interlace = 0);

} // namespace ImageSamples
