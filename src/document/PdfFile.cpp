#include "PdfFile.h"

#include "FlateCodec.h"

#include <cstdio>
#include <stdexcept>

namespace Document {

PdfFile::PdfFile(int minorVersion)
{
    // The comment of high bytes marks the file as binary for transfer tools.
    out_ = "%PDF-1." + std::to_string(minorVersion) + "\n%\xE2\xE3\xCF\xD3\n";
}

PdfRef PdfFile::Reserve()
{
    offsets_.push_back(0);
    return PdfRef{static_cast<int>(offsets_.size() - 1)};
}

void PdfFile::Begin(PdfRef ref)
{
    if (ref.number <= 0 || static_cast<size_t>(ref.number) >= offsets_.size()) {
        throw std::logic_error("PDF object " + std::to_string(ref.number) + " was never reserved");
    }
    if (offsets_[ref.number] != 0) {
        throw std::logic_error("PDF object " + std::to_string(ref.number) + " is written twice");
    }
    offsets_[ref.number] = out_.size();
    out_ += std::to_string(ref.number) + " 0 obj\n";
}

void PdfFile::Write(PdfRef ref, const PdfDictionary& object)
{
    Begin(ref);
    out_ += object.Written() + "\nendobj\n";
}

void PdfFile::Write(PdfRef ref, const PdfArray& object)
{
    Begin(ref);
    out_ += object.Written() + "\nendobj\n";
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

std::string PdfFile::Finish(PdfRef catalog, PdfRef info)
{
    for (size_t i = 1; i < offsets_.size(); ++i) {
        if (offsets_[i] == 0) {
            throw std::logic_error("PDF object " + std::to_string(i) + " was reserved but never written");
        }
    }
    size_t xref = out_.size();
    out_ += "xref\n0 " + std::to_string(offsets_.size()) + "\n";
    // Every entry is exactly 20 bytes: the two-byte line end is space LF.
    out_ += "0000000000 65535 f \n";
    for (size_t i = 1; i < offsets_.size(); ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010lu 00000 n \n", static_cast<unsigned long>(offsets_[i]));
        out_ += entry;
    }
    PdfDictionary trailer;
    trailer.Integer(Pdf::Size, static_cast<long long>(offsets_.size())).Ref(Pdf::Root, catalog).Ref(Pdf::Info, info);
    out_ += "trailer\n" + trailer.Written() + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return std::move(out_);
}

} // namespace Document
