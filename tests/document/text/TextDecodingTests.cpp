#include "EncodingDetector.h"
#include "TextDecoding.h"

#include <gtest/gtest.h>
#include <windows.h>

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

// Text written in a code page by Windows itself, from UTF-8.
std::string InCodePage(unsigned codePage, const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    std::string bytes(wide.size() * 2, '\0');
    bytes.resize(::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

std::string Repeated(const std::string& bytes, size_t times)
{
    std::string all;
    for (size_t i = 0; i < times; ++i)
        all += bytes;
    return all;
}

// The encoding of a text without a mark: UTF-8 but for a few strays; a
// legacy code page where the text says enough; the ANSI code page where it
// does not, and for every Western text. The sentences are grep's messages
// as Debian translates them.
TEST(TextDecoding, LegacyEncodingsAreFoundWhenTheTextSaysEnough)
{
    const std::string japanese = "%s のホームページ: <%s>\n%s: 無効なオプション -- '%c'\n"
                                 "%s: オプション '%s%s' は引数を取ることができません\n";
    const std::string russian = "Домашняя страница %s: <%s>\n%s: двоичный файл совпадает\n"
                                "%s: исчерпан лимит возвратов в PCRE\n";
    const std::string polish = "%s: pętla rekurencji wykryta przez PCRE\n%s: plik binarny pasuje do wzorca\n"
                               "%s: przekroczony limit zagłębionej analizy wstecznej PCRE\n"
                               "%s: plik wejściowy jest również plikiem wyjściowym\n%s: błąd wewnętrzny PCRE: %d\n"
                               "%s: błędna opcja -- „%c”\n%s: pamięć wyczerpana\n"
                               "%s: opcja „%s%s” nie może mieć argumentu\n";
    const std::string utf8 = Repeated("Żółć, été, Ærø — ", 40);
    const struct {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        unsigned codePage;
    } rows[] = {
        {"UTF-8", utf8, TextEncoding::Utf8, 0},
        {"UTF-8 and one Latin-1 line", utf8 + "caf\xE9 cr\xE8me\n" + utf8, TextEncoding::Utf8WithStrays, 0},
        {"UTF-8 and a stray among few good sequences", "\xC3\xA9t\xC3\xA9, caf\xE9\n", TextEncoding::Ansi, 0},
        {"Shift-JIS", InCodePage(932, japanese), TextEncoding::CodePage, 932},
        {"EUC-JP", InCodePage(20932, japanese), TextEncoding::CodePage, 20932},
        {"Windows-1251", InCodePage(1251, russian), TextEncoding::CodePage, 1251},
        {"KOI8-R", InCodePage(20866, russian), TextEncoding::CodePage, 20866},
        {"Windows-1250", InCodePage(1250, Repeated(polish, 4)), TextEncoding::CodePage, 1250},
        {"Shift-JIS, too little of it", InCodePage(932, "%s のホーム\n"), TextEncoding::Ansi, 0},
        {"Western names in a licence", InCodePage(1252, "Copyright \xC2\xA9 2019 Ren\xC3\xA9 M\xC3\xBCller, "
                                                        "Bj\xC3\xB6rn \xC3\x85str\xC3\xB6m\n"),
         TextEncoding::Ansi, 0},
        {"Western text", InCodePage(1252, Repeated("Der B\xC3\xA4r l\xC3\xA4uft \xC3\xBC" "ber die Stra\xC3\x9F" "e. ", 40)),
         TextEncoding::Ansi, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.bytes.empty());
        EncodingDetector detector;
        for (size_t at = 0; at < row.bytes.size(); at += 7) {
            detector.Add(std::string_view(row.bytes).substr(at, 7));
        }
        const DetectedEncoding detected = detector.Finish();
        EXPECT_EQ(detected.encoding, row.encoding) << "uchardet: " << detected.guess;
        EXPECT_EQ(detected.codePage, row.codePage) << "uchardet: " << detected.guess;
    }
}

// UTF-8 with strays, cut anywhere: each malformed run goes to the ANSI
// decoder whole, the rest is UTF-8.
TEST(TextDecoding, StraysAreReadInTheAnsiCodePage)
{
    const std::string bytes = "\xC3\xA9t\xC3\xA9 caf\xE9\xE9 \xE2\x82\xAC \xC3";
    const std::u32string text = U"\u00E9t\u00E9 caf\u00E9\u00E9 \u20AC \u00C3";
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        TextDecoder decoder(TextEncoding::Utf8WithStrays, Latin1);
        std::u32string decoded = decoder.Decode(std::string_view(bytes).substr(0, cut));
        decoded += decoder.Decode(std::string_view(bytes).substr(cut));
        decoded += decoder.Finish();
        EXPECT_EQ(decoded, text) << "cut at " << cut;
    }
    Utf8Check check;
    check.Add(bytes);
    EXPECT_EQ(check.InvalidSequences(), 2u); // the run of two, and the sequence cut by the end
    EXPECT_EQ(check.NonAsciiSequences(), 3u);
}

} // namespace
} // namespace Document
