#include "CcittGroup4.h"

#include "DocumentError.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace Document::CcittGroup4 {

namespace {

struct Code {
    std::uint16_t bits;  // the code, right-aligned
    std::uint8_t length; // in bits
};

// T.4's run-length codes: terminating codes for 0 to 63, then make-up codes
// for 64 to 1728 in steps of 64; the extended make-up codes (1792 to 2560)
// are the same for both colours.
constexpr std::array<const char*, 64 + 27> kWhite = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100", "00111", "01000",
    "001000", "000011", "110100", "110101", "101010", "101011", "0100111", "0001100", "0001000", "0010111",
    "0000011", "0000100", "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011",
    "00011010", "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010", "00001011",
    "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000", "01011001", "01011010",
    "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101", "01101000",
    "01100111", "011001100", "011001101", "011010010", "011010011", "011010100", "011010101", "011010110",
    "011010111", "011011000", "011011001", "011011010", "011011011", "010011000", "010011001", "010011010",
    "011000", "010011011"};
constexpr std::array<const char*, 64 + 27> kBlack = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100", "0000100", "0000101",
    "0000111", "00000100", "00000111", "000011000", "0000010111", "0000011000", "0000001000", "00001100111",
    "00001101000", "00001101100", "00000110111", "00000101000", "00000010111", "00000011000", "000011001010",
    "000011001011", "000011001100", "000011001101", "000001101000", "000001101001", "000001101010",
    "000001101011", "000011010010", "000011010011", "000011010100", "000011010101", "000011010110",
    "000011010111", "000001101100", "000001101101", "000011011010", "000011011011", "000001010100",
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101", "000001010010",
    "000001010011", "000000100100", "000000110111", "000000111000", "000000100111", "000000101000",
    "000001011000", "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
    "000001100111",
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101"};
constexpr std::array<const char*, 13> kExtended = {
    "00000001000", "00000001100", "00000001101", "000000010010", "000000010011", "000000010100",
    "000000010101", "000000010110", "000000010111", "000000011100", "000000011101", "000000011110",
    "000000011111"};

// The run length of each code: 0-63, then 64 * (index - 63) for make-up codes.
int RunOf(std::size_t index, bool extended) { return extended ? 1792 + 64 * int(index) : index < 64 ? int(index) : 64 * int(index - 63); }

Code ToCode(const char* text) {
    Code code{0, 0};
    for (; *text; ++text) {
        code.bits = static_cast<std::uint16_t>((code.bits << 1) | (*text - '0'));
        ++code.length;
    }
    return code;
}

// The modes of two-dimensional coding.
enum class Mode { Pass, Horizontal, Vertical, End };
constexpr Code kPass{0b0001, 4};
constexpr Code kHorizontal{0b001, 3};
constexpr Code kVertical[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3}, {0b1, 1},
                               {0b011, 3},     {0b000011, 6}, {0b0000011, 7}}; // VL3 .. VR3

class BitReader {
public:
    explicit BitReader(std::string_view data) : data_(data) {}
    // The next `count` bits (up to 16) without taking them; zeros past the end.
    unsigned Peek(int count) const {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            const std::size_t bit = position_ + i;
            const unsigned b = bit / 8 < data_.size() ? (static_cast<unsigned char>(data_[bit / 8]) >> (7 - bit % 8)) & 1 : 0;
            value = (value << 1) | b;
        }
        return value;
    }
    void Skip(int count) { position_ += count; }
    bool AtEnd() const { return position_ >= data_.size() * 8; }

private:
    std::string_view data_;
    std::size_t position_ = 0;
};

class BitWriter {
public:
    void Put(Code code) {
        for (int i = code.length - 1; i >= 0; --i) {
            accumulator_ = static_cast<unsigned char>((accumulator_ << 1) | ((code.bits >> i) & 1));
            if (++count_ == 8) {
                out_ += static_cast<char>(accumulator_);
                accumulator_ = 0;
                count_ = 0;
            }
        }
    }
    std::string Finish() {
        Put({0b000000000001, 12}); // end of facsimile block: two end-of-line codes
        Put({0b000000000001, 12});
        if (count_ > 0) {
            out_ += static_cast<char>(accumulator_ << (8 - count_));
        }
        return out_;
    }

private:
    std::string out_;
    unsigned char accumulator_ = 0;
    int count_ = 0;
};

// A run of `length` pixels of one colour: make-up codes, then a terminating one.
void PutRun(BitWriter& out, int length, bool black) {
    const auto& table = black ? kBlack : kWhite;
    while (length >= 2624) {
        out.Put(ToCode(kExtended[12]));
        length -= 2560;
    }
    if (length >= 1792) {
        out.Put(ToCode(kExtended[(length - 1792) / 64]));
        length -= 1792 + (length - 1792) / 64 * 64;
    } else if (length >= 64) {
        out.Put(ToCode(table[63 + length / 64]));
        length %= 64;
    }
    out.Put(ToCode(table[length]));
}

// A table's codes with their runs, converted once.
struct RunCode {
    Code code;
    int run;
};

std::vector<RunCode> RunCodes(bool black) {
    std::vector<RunCode> codes;
    const auto& table = black ? kBlack : kWhite;
    for (std::size_t i = 0; i < table.size(); ++i) {
        codes.push_back({ToCode(table[i]), RunOf(i, false)});
    }
    for (std::size_t i = 0; i < kExtended.size(); ++i) {
        codes.push_back({ToCode(kExtended[i]), RunOf(i, true)});
    }
    return codes;
}

// Reads one run of a colour: make-up codes until a terminating one.
int ReadRun(BitReader& in, bool black, const std::wstring& what) {
    static const std::vector<RunCode> white = RunCodes(false);
    static const std::vector<RunCode> blackCodes = RunCodes(true);
    int total = 0;
    for (;;) {
        const unsigned next = in.Peek(13);
        const RunCode* found = nullptr;
        for (const RunCode& candidate : black ? blackCodes : white) {
            if ((next >> (13 - candidate.code.length)) == candidate.code.bits) {
                found = &candidate;
                break;
            }
        }
        if (!found) {
            throw DocumentError(what + L" is damaged: its fax data holds a run code that does not exist.");
        }
        in.Skip(found->code.length);
        total += found->run;
        if (found->run < 64) {
            return total;
        }
    }
}

Mode ReadMode(BitReader& in, int& offset, const std::wstring& what) {
    for (int length = 1; length <= 7; ++length) {
        const unsigned bits = in.Peek(length);
        if (length == kPass.length && bits == kPass.bits) {
            in.Skip(length);
            return Mode::Pass;
        }
        if (length == kHorizontal.length && bits == kHorizontal.bits) {
            in.Skip(length);
            return Mode::Horizontal;
        }
        for (int d = 0; d < 7; ++d) {
            if (kVertical[d].length == length && kVertical[d].bits == bits) {
                in.Skip(length);
                offset = d - 3;
                return Mode::Vertical;
            }
        }
    }
    if (in.Peek(12) == 1) {
        return Mode::End;
    }
    throw DocumentError(what + L" is damaged: its fax data holds a mode that Group 4 does not have (or uncompressed runs).");
}

// The first changing element of `reference` right of `a0` whose colour
// change starts `colour` (0: white to black), and the one after it. Each
// line's list ends with `columns` twice.
std::size_t FindB1(const std::vector<int>& reference, int a0, int colour) {
    std::size_t i = 0;
    while (reference[i] <= a0 && reference[i] < reference.back()) {
        ++i;
    }
    if ((i % 2) != std::size_t(colour) && reference[i] < reference.back()) {
        ++i;
    }
    return std::min(i, reference.size() - 2);
}

// The changing elements of each row, fed to `row` as they come.
template <typename RowSink>
void DecodeRows(std::string_view data, int columns, int rows, const std::wstring& what, RowSink row) {
    BitReader in(data);
    std::vector<int> reference{columns, columns};
    std::vector<int> coding;
    for (int y = 0; y < rows; ++y) {
        coding.clear();
        int a0 = -1;
        int colour = 0;
        while (a0 < columns) {
            int offset = 0;
            const Mode mode = ReadMode(in, offset, what);
            const std::size_t b1 = FindB1(reference, a0, colour);
            if (mode == Mode::End) {
                throw DocumentError(what + L" is truncated: its fax data ends before its last row.");
            }
            if (mode == Mode::Pass) {
                a0 = reference[b1 + 1];
            } else if (mode == Mode::Horizontal) {
                const int start = std::max(a0, 0);
                const int a1 = start + ReadRun(in, colour == 1, what);
                const int a2 = a1 + ReadRun(in, colour == 0, what);
                if (a1 > columns || a2 > columns) {
                    throw DocumentError(what + L" is damaged: a row of its fax data is longer than the image.");
                }
                coding.push_back(a1);
                coding.push_back(a2);
                a0 = a2;
            } else {
                const int a1 = reference[b1] + offset;
                if (a1 < 0 || a1 > columns || a1 < a0) {
                    throw DocumentError(what + L" is damaged: a row of its fax data does not fit the image.");
                }
                coding.push_back(a1);
                a0 = a1;
                colour ^= 1;
            }
            if (in.AtEnd() && a0 < columns) {
                throw DocumentError(what + L" is truncated: its fax data ends before its last row.");
            }
        }
        // Changes at the right edge are no changes, and a run of no pixels changes nothing.
        std::vector<int> changes;
        for (const int x : coding) {
            if (!changes.empty() && changes.back() == x) {
                changes.pop_back();
            } else if (x < columns) {
                changes.push_back(x);
            }
        }
        row(changes);
        reference = changes;
        reference.push_back(columns);
        reference.push_back(columns);
    }
}

void EncodeRow(BitWriter& out, const std::vector<int>& reference, std::vector<int> coding, int columns) {
    coding.push_back(columns);
    coding.push_back(columns);
    int a0 = -1;
    int colour = 0;
    std::size_t next = 0; // the coding line's first element right of a0
    while (a0 < columns) {
        while (coding[next] <= a0 && next + 2 < coding.size()) {
            ++next;
        }
        const int a1 = coding[next];
        const std::size_t b1 = FindB1(reference, a0, colour);
        const int b2 = reference[b1 + 1];
        if (b2 < a1) {
            out.Put(kPass);
            a0 = b2;
        } else if (std::abs(a1 - reference[b1]) <= 3) {
            out.Put(kVertical[a1 - reference[b1] + 3]);
            a0 = a1;
            colour ^= 1;
        } else {
            const int a2 = coding[next + 1];
            out.Put(kHorizontal);
            PutRun(out, a1 - std::max(a0, 0), colour == 1);
            PutRun(out, a2 - a1, colour == 0);
            a0 = a2;
        }
    }
}

} // namespace

std::string Join(const std::vector<std::string>& strips, const std::vector<int>& rowsPerStrip, int columns,
                 const std::wstring& what) {
    BitWriter out;
    std::vector<int> reference{columns, columns};
    for (std::size_t i = 0; i < strips.size(); ++i) {
        DecodeRows(strips[i], columns, rowsPerStrip[i], what, [&](const std::vector<int>& changes) {
            EncodeRow(out, reference, changes, columns);
            reference = changes;
            reference.push_back(columns);
            reference.push_back(columns);
        });
    }
    return out.Finish();
}

} // namespace Document::CcittGroup4
