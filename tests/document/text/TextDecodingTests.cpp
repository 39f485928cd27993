#include "TextDecoding.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// The system's ANSI code page stands outside this library; Latin-1 stands in
// for it, so a byte that reaches it comes back as the code point of its value.
std::u32string Latin1(const std::string& bytes)
{
    std::u32string text;
    for (unsigned char byte : bytes)
        text += char32_t(byte);
    return text;
}

std::u32string DecodeDocument(const std::string& bytes)
{
    return DecodeText(bytes, Latin1);
}

TEST(TextDecoding, ByteOrderMarksAndWellFormedUtf8)
{
    const struct {
        std::string bytes;
        TextEncoding encoding;
        std::u32string text;
    } cases[] = {
        {"\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e", TextEncoding::Utf8WithMark, U"Gr\u00FC\u00DFe"}, // the mark is dropped
        {"\xEF\xBB\xBF", TextEncoding::Utf8WithMark, U""},
        {"\xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80", TextEncoding::Utf8, U"\u20AC \u4E2D \U0001F600"},
        {"a\tb\r\n", TextEncoding::Utf8, U"a\tb\r\n"},
        {"", TextEncoding::Utf8, U""},
        {"\xEF\xBB\xBF" "a\xFF" "b", TextEncoding::Utf8WithMark, U"a\uFFFDb"}, // after the mark, a bad byte stays visible
        // What Notepad saves as "Unicode", and its big-endian twin.
        {std::string("\xFF\xFE" "G\0N\0U\0\r\0\n\0", 12), TextEncoding::Utf16LittleEndian, U"GNU\r\n"},
        {std::string("\xFE\xFF\0G\x03\xA9\x04\x16", 8), TextEncoding::Utf16BigEndian, U"G\u03A9\u0416"},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), TextEncoding::Utf16LittleEndian, U"\U0001F600"}, // a pair
        {std::string("\xFF\xFE\x3D\xD8" "a\0", 6), TextEncoding::Utf16LittleEndian, U"\uFFFDa"}, // a lone high half
        {std::string("\xFF\xFE\x00\xDC", 4), TextEncoding::Utf16LittleEndian, U"\uFFFD"},       // a lone low half
        {std::string("\xFF\xFE" "a\0b", 5), TextEncoding::Utf16LittleEndian, U"a\uFFFD"},       // an odd last byte
        {"\xFF\xFE", TextEncoding::Utf16LittleEndian, U""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(DetectTextEncoding(cases[i].bytes), cases[i].encoding) << "case " << i;
        EXPECT_EQ(DecodeDocument(cases[i].bytes), cases[i].text) << "case " << i;
    }
}

TEST(TextDecoding, MalformedUtf8IsTakenAsAnsi)
{
    const std::string cases[] = {
        "caf\xE9",          // a lone Latin-1 byte
        "\xC3",             // a sequence cut short at the end
        "\xC0\xAF",         // overlong form of '/'
        "\xED\xA0\x80",     // an encoded surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xE2\x82" "A",     // a lead byte followed by no continuation
        "\xFE",             // half a big-endian mark is no mark
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_FALSE(IsValidUtf8(cases[i])) << "case " << i;
        EXPECT_EQ(DetectTextEncoding(cases[i]), TextEncoding::Ansi) << "case " << i;
        EXPECT_EQ(DecodeDocument(cases[i]), Latin1(cases[i])) << "case " << i;
    }
}

// A document read in pieces, cut at any place (inside a sequence, a
// surrogate pair, the byte-order mark): the same verdict and the same
// characters as the whole.
TEST(TextDecoding, PiecesCutAnywhereDecodeAsTheWhole)
{
    const std::string cases[] = {
        "\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e",
        "\xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80",
        "\xEF\xBB\xBF" "a\xFF" "b",
        std::string("\xFF\xFE" "G\0N\0U\0\r\0\n\0", 12),
        std::string("\xFE\xFF\0G\x03\xA9\x04\x16", 8),
        std::string("\xFF\xFE" "a\0\x3D\xD8\x00\xDE" "b\0", 10),
        std::string("\xFE\xFF\xD8\x3D\xDE\x00\xD8\x3D", 8), // a pair, then a high half at the end
        std::string("\xFF\xFE" "a\0b", 5),
        "caf\xE9 ol\xE9",
        "ab\xC3",
        "\xE2\x82" "A",
        "x\xF0\x9F\x98",
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string& bytes = cases[i];
        for (size_t cut = 0; cut <= bytes.size(); ++cut) {
            for (size_t second = cut; second <= bytes.size(); ++second) {
                const std::string_view pieces[] = {std::string_view(bytes).substr(0, cut),
                                                   std::string_view(bytes).substr(cut, second - cut),
                                                   std::string_view(bytes).substr(second)};
                Utf8Check check;
                for (std::string_view piece : pieces) {
                    check.Add(piece);
                }
                TextEncoding encoding = TextEncodingOf(bytes, check.Valid());
                ASSERT_EQ(encoding, DetectTextEncoding(bytes)) << "case " << i << " cut " << cut << "," << second;
                TextDecoder decoder(encoding, Latin1);
                std::u32string text;
                for (std::string_view piece : pieces) {
                    text += decoder.Decode(piece);
                }
                text += decoder.Finish();
                ASSERT_EQ(text, DecodeDocument(bytes)) << "case " << i << " cut " << cut << "," << second;
            }
        }
    }
}

} // namespace
} // namespace Document
