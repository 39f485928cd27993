#include "JobHeader.h"

#include "ByteReader.h"
#include "ConverterExitCodes.h"
#include "FileReader.h"

#include <cstdint>

namespace Converter {

using namespace Global;
using Document::DocumentKind;
using Document::TextEncoding;

namespace {

// A job file is the header, the document's name in UTF-16LE, then the
// document's bytes as they were: "ArdenfoldJob3", the document's kind and
// its encoding (a code byte each), the code page (two bytes) and the stray
// count (four) of a text, the document's file identity (a byte, 1 when
// known, then its volume serial and index, high then low, four bytes each),
// and the name's length in code units as four bytes, all little-endian.
const std::string JobMagic = "ArdenfoldJob3";
constexpr size_t IdentityAt = JobKindAt + JobKindBytes;
constexpr size_t UnitsAt = IdentityAt + 13;
constexpr size_t HeaderBytes = UnitsAt + 4;

// The codes are the file format's: a new kind gets the next free code, and
// none is ever given again to another.
struct KindCode {
    DocumentKind kind;
    unsigned char code;
};
constexpr KindCode KindCodes[] = {
    {DocumentKind::Text, 0}, {DocumentKind::Utf16Text, 1}, {DocumentKind::Jpeg, 2},       {DocumentKind::Png, 3},
    {DocumentKind::Tiff, 4}, {DocumentKind::Gif, 5},       {DocumentKind::Bmp, 6},        {DocumentKind::Pdf, 7},
    {DocumentKind::PostScript, 8}, {DocumentKind::Netpbm, 9}, {DocumentKind::Xbm, 10}, {DocumentKind::Refused, 11},
};

struct EncodingCode {
    TextEncoding encoding;
    unsigned char code;
};
constexpr EncodingCode EncodingCodes[] = {
    {TextEncoding::Utf8WithMark, 0}, {TextEncoding::Utf16LittleEndian, 1}, {TextEncoding::Utf16BigEndian, 2},
    {TextEncoding::Utf8, 3},         {TextEncoding::Ansi, 4},              {TextEncoding::CodePage, 5},
    {TextEncoding::Utf8WithStrays, 6}, {TextEncoding::AnsiAsSet, 7},
};

template <typename Row, typename Value, size_t N>
unsigned char CodeOf(const Row (&rows)[N], Value value, Value Row::*field)
{
    for (const Row& row : rows) {
        if (row.*field == value) {
            return row.code;
        }
    }
    throw Error(L"A document kind has no code in the spool's job format.");
}

template <typename Row, typename Value, size_t N>
std::optional<Value> ValueOf(const Row (&rows)[N], unsigned char code, Value Row::*field)
{
    for (const Row& row : rows) {
        if (row.code == code) {
            return row.*field;
        }
    }
    return std::nullopt;
}

void AppendLittleEndian(std::string& bytes, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::string EncodeJobHeader(const std::wstring& documentName, const JobKind& kind,
                            const std::optional<FileIdentity>& documentFile)
{
    std::string bytes = JobMagic;
    bytes += static_cast<char>(CodeOf(KindCodes, kind.kind, &KindCode::kind));
    bytes += static_cast<char>(CodeOf(EncodingCodes, kind.encoding, &EncodingCode::encoding));
    AppendLittleEndian(bytes, kind.codePage, 2);
    AppendLittleEndian(bytes, static_cast<uint32_t>(kind.strays), 4);
    bytes += static_cast<char>(documentFile ? 1 : 0);
    const FileIdentity identity = documentFile.value_or(FileIdentity{});
    AppendLittleEndian(bytes, identity.volumeSerial, 4);
    AppendLittleEndian(bytes, identity.indexHigh, 4);
    AppendLittleEndian(bytes, identity.indexLow, 4);
    AppendLittleEndian(bytes, static_cast<uint32_t>(documentName.size()), 4);
    for (wchar_t unit : documentName) {
        AppendLittleEndian(bytes, unit, 2);
    }
    return bytes;
}

JobHeader ReadJobHeader(const std::wstring& path)
{
    const std::wstring notAJob = L"The spooled file \"" + path + L"\" is not a print job.";
    try {
        FileReader file(path);
        std::string head = file.ReadExactly(HeaderBytes);
        if (head.size() < HeaderBytes || head.compare(0, JobMagic.size(), JobMagic) != 0) {
            throw Failure(ExitCode::SpoolUnusable, notAJob);
        }
        Document::ByteReader bytes(head, Document::ByteOrder::LittleEndian, L"The print job", L"header");
        std::optional<DocumentKind> kind = ValueOf(KindCodes, bytes.U8(JobKindAt), &KindCode::kind);
        std::optional<TextEncoding> encoding = ValueOf(EncodingCodes, bytes.U8(JobKindAt + 1), &EncodingCode::encoding);
        if (!kind || !encoding) {
            throw Failure(ExitCode::SpoolUnusable, notAJob);
        }
        const uint32_t units = bytes.U32(UnitsAt);
        if ((file.Size() - HeaderBytes) / 2 < units) {
            throw Failure(ExitCode::SpoolUnusable, L"The print job \"" + path + L"\" is cut short.");
        }
        std::string nameBytes = file.ReadExactly(2 * size_t{units});
        Document::ByteReader name(nameBytes, Document::ByteOrder::LittleEndian, L"The print job", L"name");
        JobHeader header;
        for (uint32_t i = 0; i < units; ++i) {
            header.documentName += static_cast<wchar_t>(name.U16(2 * size_t{i}));
        }
        header.kind = JobKind{*kind, *encoding, bytes.U16(JobKindAt + 2), bytes.U32(JobKindAt + 4)};
        if (bytes.U8(IdentityAt) == 1) {
            header.documentFile =
                FileIdentity{bytes.U32(IdentityAt + 1), bytes.U32(IdentityAt + 5), bytes.U32(IdentityAt + 9)};
        }
        header.documentOffset = HeaderBytes + 2 * uint64_t{units};
        header.documentSize = file.Size() - header.documentOffset;
        return header;
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    } catch (const Document::DocumentError& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
}

StoredJob StoredJobOf(const std::wstring& path, const JobHeader& header)
{
    return {header.documentName, header.kind, path, header.documentOffset, header.documentSize};
}

Job ReadJob(const std::wstring& path)
{
    JobHeader header = ReadJobHeader(path);
    Job job{header.documentName, {}, header.kind};
    try {
        FileReader file(path);
        file.Seek(header.documentOffset);
        job.document = file.ReadExactly(static_cast<size_t>(header.documentSize));
    } catch (const Error& error) {
        throw Failure(ExitCode::SpoolUnusable, error.Description());
    }
    return job;
}

} // namespace Converter
