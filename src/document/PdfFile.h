#pragma once
// A PDF file written front to back: references are reserved up front, each
// object is written once, and the cross-reference table records where each
// began. Nothing is kept but the bytes written so far and the offsets.
#include "PdfValues.h"

#include <string>
#include <string_view>
#include <vector>

namespace Document {

class PdfFile {
public:
    // Writes the header "%PDF-1.<minorVersion>".
    explicit PdfFile(int minorVersion);

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
    void Begin(PdfRef ref);

    std::string out_;
    std::vector<size_t> offsets_{0}; // by object number; 0: reserved, not yet written
};

} // namespace Document
