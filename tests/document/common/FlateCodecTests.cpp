#include "FlateCodec.h"

#include "DocumentError.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace Document {
namespace {

// What zlib itself makes of a stream: the compressor's output must be one
// any PDF reader's inflater takes.
std::string ZlibInflate(const std::string& stream, std::size_t size) {
    std::string out(size, '\0');
    uLongf length = static_cast<uLongf>(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(stream.data()),
                         static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(length);
    return out;
}

std::string Photo(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>((i * i / 7 + i / 300) & 0xff);
    }
    return bytes;
}

TEST(FlateCodec, CompressesToAZlibStreamOfTheSameBytes) {
    // A kept compressor (as the text writer's) gives each stream alone,
    // whatever came before it.
    FlateCodec::Compressor kept(4);
    for (const std::string& bytes : {std::string(), std::string("a"), std::string(200'000, '\0'), Photo(300'000),
                                     std::string("a"), Photo(1000)}) {
        SCOPED_TRACE(bytes.size());
        for (const std::string& stream : {FlateCodec::Compress(bytes), kept.Compress(bytes)}) {
            EXPECT_EQ(ZlibInflate(stream, bytes.size()), bytes);
            EXPECT_EQ(FlateCodec::DecompressExactly(stream, bytes.size(), L"The test data"), bytes);
        }
    }
    EXPECT_LT(FlateCodec::Compress(std::string(200'000, '\0')).size(), 1000u);
}

TEST(FlateCodec, DecompressionIsBoundedByTheExpectedSize) {
    const std::string stream = FlateCodec::Compress(std::string(1000, 'x'));
    const struct {
        const char* name;
        std::string stream;
        std::size_t expected;
        const wchar_t* reason; // nullptr: taken
        FlateCodec::StreamEnd end;
    } cases[] = {
        {"exact", stream, 1000, nullptr, FlateCodec::StreamEnd::Clean},
        {"bytes after the stream", stream + "junk", 1000, nullptr, FlateCodec::StreamEnd::Unfinished},
        {"checksum cut off", stream.substr(0, stream.size() - 4), 1000, nullptr, FlateCodec::StreamEnd::Unfinished},
        {"more than expected", stream, 999, L"more data", FlateCodec::StreamEnd::Clean},
        {"fewer than expected", stream, 1001, L"ends before", FlateCodec::StreamEnd::Clean},
        {"cut short", stream.substr(0, 5), 1000, L"ends before", FlateCodec::StreamEnd::Clean},
        {"not zlib", "not a zlib stream", 1000, L"damaged", FlateCodec::StreamEnd::Clean},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            FlateCodec::StreamEnd end{};
            EXPECT_EQ(FlateCodec::DecompressExactly(c.stream, c.expected, L"The test data", &end), std::string(1000, 'x'));
            EXPECT_EQ(c.reason, nullptr);
            EXPECT_EQ(end, c.end);
        } catch (const DocumentError& error) {
            ASSERT_NE(c.reason, nullptr) << std::string(error.Description().begin(), error.Description().end());
            EXPECT_NE(error.Description().find(c.reason), std::wstring::npos);
        }
    }
    EXPECT_EQ(FlateCodec::DecompressAtMost(stream, 5000, L"The test data").size(), 1000u);
    EXPECT_THROW(FlateCodec::DecompressAtMost(stream, 999, L"The test data"), DocumentError);
}

} // namespace
} // namespace Document
