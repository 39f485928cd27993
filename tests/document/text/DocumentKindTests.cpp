#include "DocumentKind.h"

#include <gtest/gtest.h>

using namespace Document;
using namespace std::string_literals;

TEST(DocumentKind, SniffsFromTheBytes) {
    const struct {
        const char* name;
        std::string bytes;
        DocumentKind kind;
        const wchar_t* reason; // a part of the refusal
    } rows[] = {
        {"empty", "", DocumentKind::Refused, L"The document is empty"},
        {"a UTF-8 byte-order mark alone", "\xef\xbb\xbf", DocumentKind::Refused, L"The document is empty"},
        {"a UTF-16 byte-order mark alone", "\xff\xfe", DocumentKind::Refused, L"The document is empty"},
        {"blanks alone are a text", " \r\n\t", DocumentKind::Text, L""},
        {"raw PPM", "P6\n# made by hand\n2 1\n255\n\0\xff\0\xff\0\0"s, DocumentKind::Netpbm, L""},
        {"plain PBM", "P1\n2 2\n0 1\n1 0\n", DocumentKind::Netpbm, L""},
        {"plain PGM", "P2 2 1 15 0 15", DocumentKind::Netpbm, L""},
        {"a text that starts like a bitmap", "P1 meeting notes\n", DocumentKind::Text, L""},
        {"a text that starts with P5 and numbers", "P5 2 apples\n", DocumentKind::Text, L""},
        {"PAM", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\n\0"s, DocumentKind::Refused, L"PAM image"},
        {"XBM", "#define icon_width 8\n#define icon_height 1\nstatic unsigned char icon_bits[] = {\n  0x0f };\n",
         DocumentKind::Xbm, L""},
        {"a C header of widths", "#define line_width 8\n#define line_height 1\n", DocumentKind::Text, L""},
        {"XPM", "/* XPM */\nstatic char *icon[] = {\n\"1 1 1 1\",\n\"a c None\",\n\"a\"};\n",
         DocumentKind::Refused, L"XPM image"},
        {"ASCII with tabs, form feed, CR LF", "a\tb\fc\r\nd\x0b", DocumentKind::Text, L""},
        {"UTF-8 with BOM", "\xef\xbb\xbf\xce\xb1\xce\xb2", DocumentKind::Text, L""},
        {"overstrike and colours of formatted text", "N\bNA\bAME \x1b[1m", DocumentKind::Text, L""},
        {"DOS end-of-file mark", "text\r\n\x1a", DocumentKind::Text, L""},
        {"Latin-1 bytes", "caf\xe9 \xa3", DocumentKind::Text, L""},
        {"a text that starts like a BMP", "BMW cars", DocumentKind::Text, L""},
        {"a text that starts like a program", "MZ is a prefix", DocumentKind::Text, L""},
        {"UTF-16 LE (Notepad's Unicode)", "\xff\xfeh\0i\0\r\0\n\0"s, DocumentKind::Utf16Text, L""},
        {"UTF-16 BE", "\xfe\xff\0h\0i\x04\x10"s, DocumentKind::Utf16Text, L""},
        {"UTF-16 with a NUL character", "\xff\xfeh\0\0\0"s, DocumentKind::Refused, L"U+0000 at offset 4"},
        {"UTF-32", "\xff\xfe\0\0h\0\0\0"s, DocumentKind::Refused, L"UTF-32"},
        {"PDF", "%PDF-1.7\n%\xe2\xe3", DocumentKind::Pdf, L""},
        {"PNG", "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR"s, DocumentKind::Png, L""},
        {"JPEG", "\xff\xd8\xff\xe0\0\x10JFIF"s, DocumentKind::Jpeg, L""},
        {"Windows program", "MZ\x90\0\3\0\0\0"s, DocumentKind::Refused, L"Windows or DOS program"},
        {"Linux program", "\x7f" "ELF\2\1\1\0"s, DocumentKind::Refused, L"Linux"},
        {"ZIP", "PK\3\4\x14\0\0\0"s, DocumentKind::Refused, L"ZIP archive"},
        {"gzip", "\x1f\x8b\x08\0"s, DocumentKind::Refused, L"gzip"},
        {"7z", "7z\xbc\xaf\x27\x1c\0\4"s, DocumentKind::Refused, L"7z"},
        {"RAR", "Rar!\x1a\x07\0"s, DocumentKind::Refused, L"RAR"},
        {"GIF", "GIF89a\x10\0\x10\0"s, DocumentKind::Gif, L""},
        {"GIF 87a", "GIF87a\x10\0\x10\0"s, DocumentKind::Gif, L""},
        {"BMP", "BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0"s, DocumentKind::Bmp, L""},
        {"a damaged BMP, for the bitmap reader to refuse", "BM\x36\0\0\0\0\0"s, DocumentKind::Bmp, L""},
        {"a text that starts like a BMP header", "BM  a text of words", DocumentKind::Text, L""},
        {"TIFF, little-endian", "II*\0\x08\0\0\0"s, DocumentKind::Tiff, L""},
        {"TIFF, big-endian", "MM\0*\0\0\0\x08"s, DocumentKind::Tiff, L""},
        {"BigTIFF", "II+\0\x08\0\0\0"s, DocumentKind::Tiff, L""},
        {"WebP", "RIFF\x24\0\0\0WEBPVP8 "s, DocumentKind::Refused, L"WebP image"},
        {"HEIC photo", "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic"s, DocumentKind::Refused, L"HEIC"},
        {"HEIF named by a compatible brand", "\0\0\0\x1c" "ftypmif1\0\0\0\0mif1MiHEmiaf"s, DocumentKind::Refused, L"HEIC"},
        {"AVIF", "\0\0\0\x20" "ftypavif\0\0\0\0avifmif1miafMA1B"s, DocumentKind::Refused, L"AVIF image"},
        {"an MP4 video", "\0\0\0\x18" "ftypisom\0\0\2\0isomiso2"s, DocumentKind::Refused, L"binary data"},
        {"SVG", "<?xml version=\"1.0\"?>\n<!-- drawn -->\n<!DOCTYPE svg>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>"s,
         DocumentKind::Refused, L"SVG drawing"},
        {"SVG with a prefix and a BOM", "\xef\xbb\xbf<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\">"s,
         DocumentKind::Refused, L"SVG drawing"},
        {"SVG of a drawing program", "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" [\n<!ENTITY ns \"&#38;\">\n]>\n<svg>"s,
         DocumentKind::Refused, L"SVG drawing"},
        {"other XML is text", "<?xml version=\"1.0\"?><svgs><svg/></svgs>"s, DocumentKind::Text, L""},
        {"a text about SVG", "<svg> is an element"s, DocumentKind::Text, L""},
        {"NUL in text", "abc\0def"s, DocumentKind::Refused, L"the byte 0x00 at offset 3"},
        {"a control byte text never has", "abc\x01", DocumentKind::Refused, L"the byte 0x01 at offset 3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DocumentSniff sniff = SniffDocumentKind(row.bytes);
        EXPECT_EQ(sniff.kind, row.kind);
        EXPECT_NE(sniff.reason.find(row.reason), std::wstring::npos)
            << std::string(sniff.reason.begin(), sniff.reason.end());
        EXPECT_EQ(sniff.reason.empty(), row.kind != DocumentKind::Refused);
    }
}

// A document larger than the sniffer's head, given in pieces cut anywhere:
// the head decides the kind, and a text's later bytes are checked as the
// whole is, a UTF-16 unit cut in two included.
TEST(DocumentKind, PiecesBeyondTheHeadAreCheckedAsTheWhole) {
    const std::string head(DocumentSniffer::kHeadBytes, 'a');
    const std::string utf16 = "\xff\xfe"s + std::string(DocumentSniffer::kHeadBytes - 2, '\0');
    std::string utf16Text = utf16;
    for (size_t i = 2; i < utf16Text.size(); i += 2) {
        utf16Text[i] = 'a';
    }
    const struct {
        const char* name;
        std::string bytes;
        DocumentKind kind;
        TextEncoding encoding;
        const wchar_t* reason;
    } rows[] = {
        {"ASCII", head + "bc\r\n", DocumentKind::Text, TextEncoding::Utf8, L""},
        {"UTF-8 beyond the head", head + "\xc3\xa9t\xc3\xa9", DocumentKind::Text, TextEncoding::Utf8, L""},
        {"Latin-1 beyond the head", head + "caf\xe9", DocumentKind::Text, TextEncoding::Ansi, L""},
        {"NUL beyond the head", head + "xy\0z"s, DocumentKind::Refused, TextEncoding::Utf8,
         L"the byte 0x00 at offset 1048578"},
        {"UTF-16", utf16Text + "b\0"s, DocumentKind::Utf16Text, TextEncoding::Utf16LittleEndian, L""},
        {"UTF-16 NUL beyond the head", utf16Text + "b\0\0\0"s, DocumentKind::Refused, TextEncoding::Utf8,
         L"U+0000 at offset 1048578"},
        {"a program with a text's tail", "MZ\x90\0"s + head, DocumentKind::Refused, TextEncoding::Utf8, L"program"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (size_t cut : {size_t{1}, DocumentSniffer::kHeadBytes - 1, DocumentSniffer::kHeadBytes,
                           DocumentSniffer::kHeadBytes + 1, DocumentSniffer::kHeadBytes + 3}) {
            DocumentSniffer sniffer;
            sniffer.Add(std::string_view(row.bytes).substr(0, cut));
            sniffer.Add(std::string_view(row.bytes).substr(std::min(cut, row.bytes.size())));
            const DocumentSniff& sniff = sniffer.Finish();
            EXPECT_EQ(sniff.kind, row.kind) << "cut at " << cut;
            EXPECT_NE(sniff.reason.find(row.reason), std::wstring::npos)
                << std::string(sniff.reason.begin(), sniff.reason.end());
            if (row.kind != DocumentKind::Refused) {
                EXPECT_EQ(sniffer.Encoding(), row.encoding) << "cut at " << cut;
            }
        }
    }
}
