#include "PdfFile.h"

#include "FlateCodec.h"

#include <cstdio>
#include <stdexcept>

namespace Document {
namespace {

// Objects to an object stream: a reader inflates the whole stream for any
// one of them, and gains little in compression beyond this.
constexpr size_t ObjectsPerStream = 200; // within the byte an entry keeps for the place

// What the file gathers before its sink takes it: large enough that a page
// costs no call of its own, small beside a page's worth of memory.
constexpr size_t SpillBytes = 256u << 10;

void AppendBigEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

} // namespace

PdfFile::PdfFile(int minorVersion, Packing packing, Sink sink) : packing_(packing), sink_(std::move(sink))
{
    // The comment of high bytes marks the file as binary for transfer tools.
    out_ = "%PDF-1." + std::to_string(minorVersion) + "\n%\xE2\xE3\xCF\xD3\n";
}

PdfRef PdfFile::Reserve()
{
    entries_.emplace_back();
    return PdfRef{static_cast<int>(entries_.size() - 1)};
}

void PdfFile::Claim(PdfRef ref)
{
    if (ref.number <= 0 || static_cast<size_t>(ref.number) >= entries_.size()) {
        throw std::logic_error("PDF object " + std::to_string(ref.number) + " was never reserved");
    }
    if (entries_[ref.number].written) {
        throw std::logic_error("PDF object " + std::to_string(ref.number) + " is written twice");
    }
    entries_[ref.number].written = true;
}

void PdfFile::Begin(PdfRef ref)
{
    Claim(ref);
    Spill(false);
    std::uint64_t offset = Size();
    if (offset >> 40 != 0) {
        throw std::length_error("The PDF file would be larger than 1 TiB");
    }
    entries_[ref.number].low = static_cast<std::uint32_t>(offset);
    entries_[ref.number].high = static_cast<std::uint8_t>(offset >> 32);
    out_ += std::to_string(ref.number) + " 0 obj\n";
}

void PdfFile::WriteObject(PdfRef ref, const std::string& text, Packing packing)
{
    if (packing == Packing::None) {
        Begin(ref);
        out_ += text;
        out_ += "\nendobj\n";
        return;
    }
    Claim(ref);
    pending_.emplace_back(ref.number, pendingObjects_.size());
    pendingObjects_ += text;
    pendingObjects_ += '\n';
    if (pending_.size() == ObjectsPerStream) {
        WriteObjectStream();
    }
}

void PdfFile::Write(PdfRef ref, const PdfDictionary& object)
{
    WriteObject(ref, object.Written(), packing_);
}

void PdfFile::Write(PdfRef ref, const PdfArray& object)
{
    WriteObject(ref, object.Written(), packing_);
}

void PdfFile::WriteInTheOpen(PdfRef ref, const PdfDictionary& object)
{
    WriteObject(ref, object.Written(), Packing::None);
}

// The gathered objects as one stream: "number offset" pairs, then the objects.
void PdfFile::WriteObjectStream()
{
    if (pending_.empty()) {
        return;
    }
    PdfRef stream = Reserve();
    std::string data;
    for (size_t i = 0; i < pending_.size(); ++i) {
        Entry& entry = entries_[pending_[i].first];
        entry.inStream = true;
        entry.low = static_cast<std::uint32_t>(stream.number);
        entry.index = static_cast<std::uint8_t>(i);
        data += std::to_string(pending_[i].first) + ' ' + std::to_string(pending_[i].second) + ' ';
    }
    size_t first = data.size();
    data += pendingObjects_;
    WriteCompressedStream(stream,
                          PdfDictionary()
                              .Name(Pdf::Type, Pdf::ObjStm)
                              .Integer(Pdf::N, static_cast<long long>(pending_.size()))
                              .Integer(Pdf::First, static_cast<long long>(first)),
                          data);
    pending_.clear();
    pendingObjects_.clear();
}

void PdfFile::WriteCompressedStream(PdfRef ref, PdfDictionary dictionary, std::string_view data)
{
    std::string compressed = FlateCodec::Compress(data);
    dictionary.Name(Pdf::Filter, Pdf::FlateDecode);
    WriteStream(ref, std::move(dictionary), compressed);
}

void PdfFile::WriteStream(PdfRef ref, PdfDictionary dictionary, std::string_view data)
{
    Begin(ref);
    dictionary.Integer(Pdf::Length, static_cast<long long>(data.size()));
    out_ += dictionary.Written();
    out_ += "\nstream\n";
    out_ += data;
    out_ += "\nendstream\nendobj\n";
}

void PdfFile::Spill(bool all)
{
    if (sink_ && (all || out_.size() >= SpillBytes)) {
        Digest(out_);
        sink_(out_);
        flushed_ += out_.size();
        out_.clear();
    }
}

void PdfFile::Digest(std::string_view bytes)
{
    constexpr std::uint64_t Prime = 0x100000001b3ull;
    std::uint64_t a = digest_[0], b = digest_[1];
    for (unsigned char byte : bytes) {
        a = (a ^ byte) * Prime;
        b = (b ^ static_cast<unsigned char>(~byte)) * Prime;
    }
    digest_[0] = a;
    digest_[1] = b;
}

// The file as first written: both halves the same.
PdfArray PdfFile::FileId() const
{
    std::string id;
    AppendBigEndian(id, digest_[0], 8);
    AppendBigEndian(id, digest_[1], 8);
    return PdfArray().HexBytes(id).HexBytes(id);
}

// The width of the middle field: 4 bytes, or 5 for a file past 4 GiB.
static int OffsetWidth(std::uint64_t largest)
{
    return largest > 0xFFFFFFFFull ? 5 : 4;
}

// Each entry in 1 + 4 (or 5) + 2 bytes (/W [1 4 2]): 0, 1 (at an offset) or
// 2 (in an object stream, at an index), the offset or the stream, the index.
std::string PdfFile::CrossReferenceStream(std::uint64_t ownOffset) const
{
    const int width = OffsetWidth(ownOffset);
    std::string data;
    data.reserve((3 + width) * (entries_.size() + 1));
    AppendBigEndian(data, 0, 1 + width);
    AppendBigEndian(data, 0xFFFF, 2);
    for (size_t i = 1; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        AppendBigEndian(data, entry.inStream ? 2 : 1, 1);
        AppendBigEndian(data, entry.inStream ? std::uint64_t{entry.low} : entry.Offset(), width);
        AppendBigEndian(data, entry.inStream ? entry.index : 0, 2);
    }
    AppendBigEndian(data, 1, 1); // the cross-reference stream itself
    AppendBigEndian(data, ownOffset, width);
    AppendBigEndian(data, 0, 2);
    return data;
}

std::string PdfFile::Finish(PdfRef catalog, PdfRef info, bool identified)
{
    WriteObjectStream();
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (!entries_[i].written) {
            throw std::logic_error("PDF object " + std::to_string(i) + " was reserved but never written");
        }
    }
    Spill(false);
    // Everything up to the cross-reference section, which names the digest.
    Digest(out_);
    if (sink_) {
        flushed_ += out_.size();
        sink_(out_);
        out_.clear();
    }
    std::uint64_t xref = Size();
    if (packing_ == Packing::ObjectStreams) {
        std::string data = CrossReferenceStream(xref);
        PdfRef stream = Reserve();
        PdfDictionary dictionary;
        dictionary.Name(Pdf::Type, Pdf::XRef)
            .Integer(Pdf::Size, static_cast<long long>(entries_.size()))
            .Array(Pdf::W, PdfArray().Integer(1).Integer(OffsetWidth(xref)).Integer(2))
            .Ref(Pdf::Root, catalog)
            .Ref(Pdf::Info, info);
        if (identified) {
            dictionary.Array(Pdf::ID, FileId());
        }
        WriteCompressedStream(stream, std::move(dictionary), data);
    } else {
        out_ += "xref\n0 " + std::to_string(entries_.size()) + "\n";
        // Every entry is exactly 20 bytes: the two-byte line end is space LF.
        out_ += "0000000000 65535 f \n";
        for (size_t i = 1; i < entries_.size(); ++i) {
            char entry[32];
            std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(entries_[i].Offset()));
            out_ += entry;
        }
        PdfDictionary trailer;
        trailer.Integer(Pdf::Size, static_cast<long long>(entries_.size())).Ref(Pdf::Root, catalog).Ref(Pdf::Info, info);
        if (identified) {
            trailer.Array(Pdf::ID, FileId());
        }
        out_ += "trailer\n" + trailer.Written() + "\n";
    }
    out_ += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    Spill(true);
    return std::move(out_);
}

} // namespace Document
