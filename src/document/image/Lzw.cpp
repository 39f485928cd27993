#include "Lzw.h"

#include "DocumentError.h"

#include <cstdint>
#include <vector>

namespace Document::Lzw {

namespace {

constexpr unsigned kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;

// The codes of `data` one by one, in the dialect's bit order.
class CodeReader {
public:
    CodeReader(std::string_view data, bool mostSignificantFirst) : data_(data), msbFirst_(mostSignificantFirst) {}

    // False once the data has no whole code left.
    bool Next(int bits, unsigned& code) {
        while (count_ < bits) {
            if (at_ == data_.size()) {
                return false;
            }
            const std::uint32_t byte = static_cast<unsigned char>(data_[at_++]);
            buffer_ = msbFirst_ ? (buffer_ << 8) | byte : buffer_ | (byte << count_);
            count_ += 8;
        }
        if (msbFirst_) {
            code = (buffer_ >> (count_ - bits)) & ((1u << bits) - 1);
        } else {
            code = buffer_ & ((1u << bits) - 1);
            buffer_ >>= bits;
        }
        count_ -= bits;
        if (msbFirst_) {
            buffer_ &= (1u << count_) - 1;
        }
        return true;
    }

private:
    std::string_view data_;
    bool msbFirst_;
    std::size_t at_ = 0;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
};

} // namespace

std::string Decode(std::string_view data, Dialect dialect, int minimumCodeSize, std::size_t limit,
                   const std::wstring& what) {
    const bool tiff = dialect == Dialect::Tiff;
    const unsigned clear = 1u << minimumCodeSize;
    const unsigned end = clear + 1;
    // The table: each code's prefix code, last byte, and length.
    std::vector<std::uint16_t> prefix(kMaxCodes);
    std::vector<std::uint8_t> suffix(kMaxCodes);
    std::vector<std::uint16_t> length(kMaxCodes);
    for (unsigned c = 0; c < clear; ++c) {
        suffix[c] = static_cast<std::uint8_t>(c);
        length[c] = 1;
    }
    // A code grows when the next free code no longer fits; TIFF's writers grow it one code early.
    const unsigned early = tiff ? 1 : 0;
    CodeReader reader(data, tiff);
    std::string out;
    int bits = minimumCodeSize + 1;
    unsigned next = end + 1;
    int previous = -1;
    unsigned code = 0;
    while (out.size() < limit && reader.Next(bits, code)) {
        if (code == clear) {
            bits = minimumCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end) {
            break;
        }
        if (previous < 0) {
            if (code >= clear) {
                throw DocumentError(what + L" is damaged: its LZW data starts with a code it has not defined.");
            }
            out += static_cast<char>(code);
            previous = static_cast<int>(code);
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes)) {
            throw DocumentError(what + L" is damaged: its LZW data uses a code it has not defined.");
        }
        // The string of `code` (or, for the code about to be defined, the previous string and its first byte).
        const unsigned known = code == next ? static_cast<unsigned>(previous) : code;
        const std::size_t start = out.size();
        const std::size_t size = length[known];
        out.resize(start + size + (code == next ? 1 : 0));
        unsigned walk = known;
        for (std::size_t i = size; i-- > 0;) {
            out[start + i] = static_cast<char>(suffix[walk]);
            walk = prefix[walk];
        }
        const char first = out[start];
        if (code == next) {
            out.back() = first;
        }
        if (next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = static_cast<std::uint8_t>(first);
            length[next] = static_cast<std::uint16_t>(length[previous] + 1);
            ++next;
            if (next + early >= (1u << bits) && bits < kMaxCodeBits) {
                ++bits;
            }
        }
        previous = static_cast<int>(code);
    }
    if (out.size() > limit) {
        out.resize(limit);
    }
    return out;
}

} // namespace Document::Lzw
