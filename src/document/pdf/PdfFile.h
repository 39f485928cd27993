#pragma once
// A PDF file written front to back: references are reserved up front, each
// object is written once, and the cross-reference table records where each
// began. Nothing is kept but the bytes written so far, the offsets and the
// objects gathered for the next object stream.
#include "PdfValues.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Document {

class PdfFile {
public:
    // Where the objects that are no streams go.
    enum class Packing {
        // Each at a place of its own, listed by a cross-reference table.
        None,
        // Gathered into compressed object streams and listed by a compressed
        // cross-reference stream (PDF 1.5): a file of many small objects (a
        // text's pages) is a tenth smaller.
        ObjectStreams,
    };

    // Takes the file's bytes as they are written, in order: a file of any
    // size is written while only its offsets are held.
    using Sink = std::function<void(std::string_view bytes)>;

    // Writes the header "%PDF-1.<minorVersion>". Without a sink the file is
    // gathered and handed over by Finish.
    explicit PdfFile(int minorVersion, Packing packing = Packing::None, Sink sink = {});

    PdfRef Reserve();

    // Throws std::logic_error for an object not reserved or already written.
    void Write(PdfRef ref, const PdfDictionary& object);
    void Write(PdfRef ref, const PdfArray& object);
    // An object kept out of the object streams, readable in the file's bytes
    // (the document information, which tools that read no object stream
    // look for).
    void WriteInTheOpen(PdfRef ref, const PdfDictionary& object);
    // A stream compressed with Flate; /Length and /Filter are added.
    void WriteCompressedStream(PdfRef ref, PdfDictionary dictionary, std::string_view data);
    // A stream whose data is already encoded as the dictionary says; /Length is added.
    void WriteStream(PdfRef ref, PdfDictionary dictionary, std::string_view data);

    // The whole file (the rest of it, when a sink takes the bytes), its
    // trailer identifying it by a digest of its bytes. Throws
    // std::logic_error when a reserved object was never written.
    // `identified`: false leaves the /ID out.
    std::string Finish(PdfRef catalog, PdfRef info, bool identified = true);

    // Bytes written so far.
    std::uint64_t Size() const { return flushed_ + out_.size(); }

private:
    // Eight bytes an object: a text's pages are hundreds of thousands.
    struct Entry {
        std::uint32_t low = 0;  // the offset's low bits, or the object stream that holds it
        std::uint8_t high = 0;  // the offset's bits above 32 (files up to 1 TiB)
        bool written = false;
        bool inStream = false;
        std::uint8_t index = 0; // its place in the object stream
        std::uint64_t Offset() const { return std::uint64_t{high} << 32 | low; }
    };

    void Claim(PdfRef ref);
    void Begin(PdfRef ref);
    void WriteObject(PdfRef ref, const std::string& text, Packing packing);
    void WriteObjectStream();
    std::string CrossReferenceStream(std::uint64_t ownOffset) const;
    void Spill(bool all);
    void Digest(std::string_view bytes);
    PdfArray FileId() const;

    Packing packing_;
    Sink sink_;
    std::string out_;
    std::uint64_t flushed_ = 0; // bytes handed to the sink
    std::vector<Entry> entries_{Entry{}}; // by object number; object 0 is none
    // The object stream being gathered: each object's number and offset, and the objects.
    std::vector<std::pair<int, size_t>> pending_;
    std::string pendingObjects_;
    // Two FNV-1a digests of every byte written: the file's /ID.
    std::uint64_t digest_[2] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull};
};

} // namespace Document
