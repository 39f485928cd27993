#include "ByteReader.h"

#include "DocumentError.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace Document {
namespace {

const std::string_view kBytes("\x12\x34\x56\x78\xFF", 5);

TEST(ByteReader, NumbersInEitherByteOrder)
{
    const ByteReader big(kBytes, ByteOrder::BigEndian, L"The file", L"header");
    const ByteReader little(kBytes, ByteOrder::LittleEndian, L"The file", L"header");
    EXPECT_EQ(big.U16(0), 0x1234u);
    EXPECT_EQ(little.U16(0), 0x3412u);
    EXPECT_EQ(big.U32(1), 0x345678FFu);
    EXPECT_EQ(little.U32(1), 0xFF785634u);
    EXPECT_EQ(big.Number(1, 3), 0x345678u);
    EXPECT_EQ(little.Number(1, 3), 0x785634u);
    EXPECT_EQ(big.S16(3), std::int16_t(0x78FF));
    EXPECT_EQ(little.S16(3), std::int16_t(-136)); // 0xFF78
    EXPECT_EQ(big.U8(4), 0xFFu);
}

// A read that ends on the last byte is taken; one byte further is refused
// with the part named, however far the offset lies (no wrap-around).
TEST(ByteReader, ReadPastTheEndRefused)
{
    const ByteReader reader(kBytes, ByteOrder::BigEndian, L"The TIFF image", L"directory");
    const struct {
        std::size_t offset;
        std::size_t length;
        bool taken;
    } rows[] = {
        {3, 2, true}, {4, 2, false}, {5, 0, true}, {5, 1, false}, {0, 5, true}, {0, 6, false},
        {6, 0, false}, {SIZE_MAX, 2, false}, {2, SIZE_MAX, false},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reader.Has(rows[i].offset, rows[i].length), rows[i].taken);
        if (rows[i].taken) {
            EXPECT_EQ(reader.Bytes(rows[i].offset, rows[i].length), kBytes.substr(rows[i].offset, rows[i].length));
            continue;
        }
        try {
            reader.Bytes(rows[i].offset, rows[i].length);
            ADD_FAILURE() << "read past the end taken";
        } catch (const DocumentError& error) {
            EXPECT_EQ(error.Description(),
                      L"The TIFF image is damaged: its directory is shorter than its contents say.");
        }
    }
    EXPECT_THROW(reader.U32(2), DocumentError);
    EXPECT_THROW(reader.U16(4), DocumentError);
    EXPECT_THROW(reader.U8(5), DocumentError);
}

} // namespace
} // namespace Document
