#include "FlateCodec.h"

#include "DocumentError.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

namespace Document::FlateCodec {

namespace {

// zlib's stream state, ended whatever happens.
class Inflater {
public:
    Inflater() {
        if (inflateInit(&stream_) != Z_OK) {
            throw std::bad_alloc();
        }
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // As for PNG's CRCs: mutated data gets past the Adler-32 checksum.
        inflateValidate(&stream_, 0);
#endif
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    z_stream* operator->() { return &stream_; }
    z_stream* get() { return &stream_; }

private:
    z_stream stream_{};
};

constexpr std::size_t kPiece = 64 * 1024;
constexpr int kLevel = 6;

// zlib counts in uInt; feed longer inputs in slices.
uInt Slice(std::size_t remaining) { return static_cast<uInt>(std::min<std::size_t>(remaining, UINT_MAX / 2)); }

} // namespace

Compressor::Compressor(int level) : compressor_(libdeflate_alloc_compressor(level)) {
    if (compressor_ == nullptr) {
        throw std::bad_alloc();
    }
}

Compressor::~Compressor() { libdeflate_free_compressor(compressor_); }

std::string Compressor::Compress(std::string_view bytes) {
    std::string out(libdeflate_zlib_compress_bound(compressor_, bytes.size()), '\0');
    const std::size_t written = libdeflate_zlib_compress(compressor_, bytes.data(), bytes.size(), out.data(), out.size());
    if (written == 0) {
        throw std::bad_alloc(); // the bound was too small: cannot happen
    }
    out.resize(written);
    return out;
}

// zlib's default level, where size and speed meet; libdeflate gets there
// several times faster than zlib, in a stream of the same format.
std::string Compress(std::string_view bytes) { return Compressor(kLevel).Compress(bytes); }

namespace {

// Inflates at most `expectedSize` bytes; with `exact`, exactly that many.
StreamEnd Inflate(std::string_view stream, std::size_t expectedSize, bool exact, const std::wstring& what,
                  const std::function<void(std::string_view piece)>& sink) {
    Inflater inflater;
    auto* next = reinterpret_cast<const Bytef*>(stream.data());
    std::size_t remaining = stream.size();
    std::size_t produced = 0;
    // One byte more than a piece, so that output beyond the expected size is seen.
    std::string piece(kPiece, '\0');
    for (;;) {
        if (inflater->avail_in == 0 && remaining > 0) {
            inflater->next_in = const_cast<Bytef*>(next);
            inflater->avail_in = Slice(remaining);
            next += inflater->avail_in;
            remaining -= inflater->avail_in;
        }
        // Never ask for more than is still expected, plus one byte to catch an excess.
        const std::size_t room = std::min<std::size_t>(kPiece, expectedSize - produced + 1);
        inflater->next_out = reinterpret_cast<Bytef*>(piece.data());
        inflater->avail_out = static_cast<uInt>(room);
        const int result = inflate(inflater.get(), Z_NO_FLUSH);
        const std::size_t got = room - inflater->avail_out;
        if (produced + got > expectedSize) {
            throw DocumentError(what + (exact ? L" holds more data than its header allows."
                                              : L" holds more than " + std::to_wstring(expectedSize >> 20) + L" MiB of data."));
        }
        if (got > 0) {
            produced += got;
            sink(std::string_view(piece.data(), got));
        }
        if (result == Z_STREAM_END) {
            if (exact && produced != expectedSize) {
                throw DocumentError(what + L" ends before all of its data.");
            }
            return remaining == 0 && inflater->avail_in == 0 ? StreamEnd::Clean : StreamEnd::Unfinished;
        }
        if (result == Z_BUF_ERROR && got == 0) {
            // No progress: the input is exhausted before the stream's end.
            if (!exact || produced != expectedSize) {
                throw DocumentError(what + L" ends before all of its data.");
            }
            return StreamEnd::Unfinished;
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            throw DocumentError(what + L" is damaged (its compressed data cannot be read).");
        }
    }
}

} // namespace

StreamEnd Decompress(std::string_view stream, std::size_t expectedSize, const std::wstring& what,
                     const std::function<void(std::string_view piece)>& sink) {
    return Inflate(stream, expectedSize, true, what, sink);
}

std::string DecompressAtMost(std::string_view stream, std::size_t maxSize, const std::wstring& what) {
    std::string out;
    Inflate(stream, maxSize, false, what, [&](std::string_view piece) { out.append(piece); });
    return out;
}

std::string DecompressExactly(std::string_view stream, std::size_t expectedSize, const std::wstring& what,
                              StreamEnd* end) {
    std::string out;
    const StreamEnd result = Decompress(stream, expectedSize, what, [&](std::string_view piece) { out.append(piece); });
    if (end != nullptr) {
        *end = result;
    }
    return out;
}

} // namespace Document::FlateCodec
