#pragma once
// A PDF file written front to back: references are reserved up front, each
// object is written once, and the cross-reference table records where each
// began. Nothing is kept but the bytes written so far, the offsets and the
// objects gathered for the next object stream.
#include "PdfValues.h"

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

    // Writes the header "%PDF-1.<minorVersion>".
    explicit PdfFile(int minorVersion, Packing packing = Packing::None);

    PdfRef Reserve();

    // Throws std::logic_error for an object not reserved or already written.
    void Write(PdfRef ref, const PdfDictionary& object);
    void Write(PdfRef ref, const PdfArray& object);
    // A stream compressed with Flate; /Length and /Filter are added.
    void WriteCompressedStream(PdfRef ref, PdfDictionary dictionary, std::string_view data);
    // A stream whose data is already encoded as the dictionary says; /Length is added.
    void WriteStream(PdfRef ref, PdfDictionary dictionary, std::string_view data);

    // The whole file. Throws std::logic_error when a reserved object was
    // never written.
    std::string Finish(PdfRef catalog, PdfRef info);

private:
    struct Entry {
        bool written = false;
        size_t offset = 0;   // in the file, when not in an object stream
        int objectStream = 0; // else the object stream that holds it
        int index = 0;        // and its place there
    };

    void Claim(PdfRef ref);
    void Begin(PdfRef ref);
    void WriteObject(PdfRef ref, const std::string& text);
    void WriteObjectStream();
    std::string CrossReferenceStream(size_t ownOffset) const;

    Packing packing_;
    std::string out_;
    std::vector<Entry> entries_{Entry{}}; // by object number; object 0 is none
    // The object stream being gathered: each object's number and offset, and the objects.
    std::vector<std::pair<int, size_t>> pending_;
    std::string pendingObjects_;
};

} // namespace Document
