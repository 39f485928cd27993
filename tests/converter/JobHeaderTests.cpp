#include "JobHeader.h"

#include "AnsiText.h"
#include "ConverterExitCodes.h"
#include "FileContent.h"
#include "SystemLocations.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace Converter;
using Document::DocumentKind;
using Document::TextEncoding;

// The codes are the job file's, as jobs spooled by an earlier version of the
// converter hold them: each kind and encoding reads back as itself, and is
// written as the byte it always was, whatever the order of the enumerations.
TEST(JobHeader, EachKindAndEncodingKeepsItsByteOnDisk)
{
    const struct {
        DocumentKind kind;
        TextEncoding encoding;
        unsigned char kindByte;
        unsigned char encodingByte;
    } rows[] = {
        {DocumentKind::Text, TextEncoding::Utf8WithMark, 0, 0},
        {DocumentKind::Utf16Text, TextEncoding::Utf16LittleEndian, 1, 1},
        {DocumentKind::Jpeg, TextEncoding::Utf16BigEndian, 2, 2},
        {DocumentKind::Png, TextEncoding::Utf8, 3, 3},
        {DocumentKind::Tiff, TextEncoding::Ansi, 4, 4},
        {DocumentKind::Gif, TextEncoding::CodePage, 5, 5},
        {DocumentKind::Bmp, TextEncoding::Utf8WithStrays, 6, 6},
        {DocumentKind::Pdf, TextEncoding::AnsiAsSet, 7, 7},
        {DocumentKind::PostScript, TextEncoding::Utf8, 8, 3},
        {DocumentKind::Netpbm, TextEncoding::Utf8, 9, 3},
        {DocumentKind::Xbm, TextEncoding::Utf8, 10, 3},
        {DocumentKind::Refused, TextEncoding::Utf8, 11, 3},
    };
    const std::wstring path = Global::GetTempFolder() + L"JobHeaderTests.job";
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.kindByte));
        const JobKind kind{row.kind, row.encoding, 932, 70000};
        const std::string bytes = EncodeJobHeader(L"Notes \u00e9.txt", kind, Global::FileIdentity{1, 2, 3});
        EXPECT_EQ(static_cast<unsigned char>(bytes[JobKindAt]), row.kindByte);
        EXPECT_EQ(static_cast<unsigned char>(bytes[JobKindAt + 1]), row.encodingByte);

        Global::WriteFileBytes(path, bytes + "document");
        const JobHeader header = ReadJobHeader(path);
        EXPECT_EQ(header.kind.kind, row.kind);
        EXPECT_EQ(header.kind.encoding, row.encoding);
        EXPECT_EQ(header.kind.codePage, 932u);
        EXPECT_EQ(header.kind.strays, 70000u);
        EXPECT_EQ(header.documentName, L"Notes \u00e9.txt");
        EXPECT_EQ(header.documentFile, (Global::FileIdentity{1, 2, 3}));
        EXPECT_EQ(header.documentSize, 8u);
    }
    // A code no version ever wrote is no job.
    std::string unknown = EncodeJobHeader(L"x", JobKind{}, std::nullopt);
    unknown[JobKindAt] = 12;
    Global::WriteFileBytes(path, unknown);
    EXPECT_THROW(ReadJobHeader(path), Failure);
    ::DeleteFileA(Global::ToAnsi(path).c_str());
}
