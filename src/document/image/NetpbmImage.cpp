#include "NetpbmImage.h"

#include "DocumentError.h"
#include "RasterImage.h"

#include <cstdint>
#include <string>

namespace Document {

namespace {

const std::wstring kWhat = L"The netpbm image";

[[noreturn]] void Refuse(const std::wstring& why) { throw DocumentError(kWhat + L" " + why); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The header's numbers and a plain image's samples: decimal, blanks or
// comments (to the line's end) between them.
class Numbers {
public:
    explicit Numbers(std::string_view file, std::size_t at) : file_(file), at_(at) {}

    std::uint32_t Next(std::size_t digitsAtMost = 10) {
        SkipBlanks();
        const std::size_t start = at_;
        std::uint64_t value = 0;
        while (at_ < file_.size() && file_[at_] >= '0' && file_[at_] <= '9' && at_ - start < digitsAtMost) {
            value = value * 10 + static_cast<unsigned>(file_[at_] - '0');
            ++at_;
        }
        if (at_ == start) {
            Refuse(at_ >= file_.size() ? L"is truncated: it ends before its last sample." : L"is damaged: a number is expected where it has other characters.");
        }
        if (value > 0xFFFFFFFFu) {
            Refuse(L"is damaged: a number in it is too large.");
        }
        return static_cast<std::uint32_t>(value);
    }

    // After the header of a raw image: the one blank before its samples.
    std::size_t RawStart() const {
        if (at_ >= file_.size() || !IsBlank(file_[at_])) {
            Refuse(L"is damaged: its header does not end with a blank.");
        }
        return at_ + 1;
    }

private:
    void SkipBlanks() {
        while (at_ < file_.size() && (IsBlank(file_[at_]) || file_[at_] == '#')) {
            if (file_[at_] == '#') {
                const std::size_t end = file_.find('\n', at_);
                at_ = end == std::string_view::npos ? file_.size() : end;
            } else {
                ++at_;
            }
        }
    }

    std::string_view file_;
    std::size_t at_;
};

} // namespace

ImageData ReadNetpbmImage(std::string_view file) {
    if (file.size() < 2 || file[0] != 'P' || file[1] < '1' || file[1] > '6') {
        Refuse(L"is damaged: it does not start with P1 to P6.");
    }
    const int type = file[1] - '0';
    const bool plain = type <= 3;
    const bool bitmap = type == 1 || type == 4;
    const int channels = type == 3 || type == 6 ? 3 : 1;
    Numbers numbers(file, 2);
    const std::uint32_t width = numbers.Next();
    const std::uint32_t height = numbers.Next();
    RasterImage::CheckSize(kWhat, width, height);
    const std::uint32_t maxval = bitmap ? 1 : numbers.Next();
    if (maxval == 0 || maxval > 65535) {
        Refuse(L"is damaged: its largest sample value " + std::to_wstring(maxval) + L" is outside 1 to 65535.");
    }
    ImageData image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.colourModel = channels == 3 ? ColourModel::Rgb : ColourModel::Gray;
    const std::uint64_t samples = std::uint64_t{width} * height * channels;
    if (bitmap) {
        // PBM's 1 is black, the PDF's 1 bit white: each bit is turned.
        image.bitsPerComponent = 1;
        const std::uint64_t rowBytes = RasterImage::RowBytes(width, 1, 1);
        if (plain) {
            std::string bits;
            bits.reserve(static_cast<std::size_t>(samples));
            for (std::uint64_t i = 0; i < samples; ++i) {
                const std::uint32_t bit = numbers.Next(1); // a plain bitmap's digits need no blank between them
                if (bit > 1) {
                    Refuse(L"is damaged: a plain bitmap holds a digit other than 0 and 1.");
                }
                bits += static_cast<char>(bit == 0 ? 1 : 0);
            }
            image.data = RasterImage::PackRows(bits, image.width, image.height, 1);
        } else {
            const std::size_t start = numbers.RawStart();
            if (file.size() - start < rowBytes * height) {
                Refuse(L"is truncated: it ends before its last row.");
            }
            image.data = std::string(file.substr(start, static_cast<std::size_t>(rowBytes * height)));
            for (char& byte : image.data) {
                byte = static_cast<char>(~byte);
            }
        }
        return image;
    }
    const bool wide = maxval > 255;
    image.bitsPerComponent = wide ? 16 : 8;
    const std::uint32_t full = wide ? 65535 : 255;
    RasterImage::CheckDecodedBytes(kWhat, samples * (wide ? 2 : 1));
    const std::size_t start = plain ? 0 : numbers.RawStart();
    if (!plain && (file.size() - start) / (wide ? 2 : 1) < samples) {
        Refuse(L"is truncated: it ends before its last row.");
    }
    image.data.reserve(static_cast<std::size_t>(samples * (wide ? 2 : 1)));
    for (std::uint64_t i = 0; i < samples; ++i) {
        std::uint32_t value = 0;
        if (plain) {
            value = numbers.Next();
        } else if (wide) {
            value = static_cast<std::uint32_t>(static_cast<unsigned char>(file[start + 2 * i]) << 8 |
                                               static_cast<unsigned char>(file[start + 2 * i + 1]));
        } else {
            value = static_cast<unsigned char>(file[start + i]);
        }
        if (value > maxval) {
            Refuse(L"is damaged: a sample is larger than the largest value its header states.");
        }
        value = maxval == full ? value : (value * full + maxval / 2) / maxval;
        if (wide) {
            image.data += static_cast<char>(value >> 8);
        }
        image.data += static_cast<char>(value & 0xFF);
    }
    return image;
}

} // namespace Document
