#pragma once
// zlib streams (the PDF's /FlateDecode, a PNG's image data). Decompression
// is bounded by the size the caller expects, never by what the data says:
// a stream that would expand further is refused as soon as it tries.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

struct libdeflate_compressor;

namespace Document::FlateCodec {

// The zlib stream of `bytes` (made by libdeflate; any zlib inflater reads it).
std::string Compress(std::string_view bytes);

// A compressor kept for many streams, as Compress makes each: its tables
// (some hundreds of KiB) are allocated once, not once a stream. One thread
// at a time uses it.
class Compressor {
public:
    // libdeflate's levels, 1 (fastest) to 12 (smallest); Compress uses 6.
    explicit Compressor(int level = 6);
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    std::string Compress(std::string_view bytes);

private:
    libdeflate_compressor* compressor_;
};

// How a bounded decompression ended once `expectedSize` bytes had come out.
enum class StreamEnd {
    Clean,     // the stream ended there, checksum verified, no bytes after it
    Unfinished // the data ran out (or had bytes after the stream's end) once all expected bytes were out
};

// Decompresses `stream`, handing the output to `sink` piece by piece, so a
// caller that only inspects it holds no more than one piece. Throws a
// DocumentError, naming `what`, when the data is not a zlib stream, when it
// would give more than `expectedSize` bytes, or when it gives fewer.
StreamEnd Decompress(std::string_view stream, std::size_t expectedSize, const std::wstring& what,
                     const std::function<void(std::string_view piece)>& sink);

// A stream of no stated size (a PNG's embedded profile) into one buffer:
// throws a DocumentError, naming `what`, when the data is damaged or cut
// short, or would give more than `maxSize` bytes.
std::string DecompressAtMost(std::string_view stream, std::size_t maxSize, const std::wstring& what);

// The same into one buffer, which grows only as real output arrives.
std::string DecompressExactly(std::string_view stream, std::size_t expectedSize, const std::wstring& what,
                              StreamEnd* end = nullptr);

} // namespace Document::FlateCodec
