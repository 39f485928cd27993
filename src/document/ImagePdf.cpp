#include "ImagePdf.h"

#include "PdfFile.h"

#include <algorithm>

namespace Document {
namespace {

void WriteImage(PdfFile& file, PdfRef ref, const PdfImage& image)
{
    PdfDictionary dictionary;
    dictionary.Name(Pdf::Type, Pdf::XObject)
        .Name(Pdf::Subtype, Pdf::Image)
        .Integer(Pdf::Width, image.width)
        .Integer(Pdf::Height, image.height)
        .Raw(Pdf::ColorSpace, image.colorSpace)
        .Integer(Pdf::BitsPerComponent, image.bitsPerComponent);
    if (!image.filter.empty()) {
        dictionary.Raw(Pdf::Filter, image.filter);
    }
    if (!image.decodeParms.empty()) {
        dictionary.Raw(Pdf::DecodeParms, image.decodeParms);
    }
    dictionary.RawEntries(image.extraEntries);
    if (image.softMask) {
        PdfRef mask = file.Reserve();
        dictionary.Ref(Pdf::SMask, mask);
        WriteImage(file, mask, *image.softMask);
    }
    file.WriteStream(ref, dictionary, image.data);
}

} // namespace

std::string WriteImagePdf(const PdfImage& image, const ImagePlacement& placement, const DocumentInfo& info)
{
    // The reader says what the image needs (a soft mask 1.4, 16-bit
    // components 1.5); the rest of the file needs 1.3.
    PdfFile file(std::max({3, image.pdfVersion, image.softMask ? 4 : 3}));
    PdfRef catalog = file.Reserve(), pageTree = file.Reserve(), infoRef = file.Reserve(), page = file.Reserve(),
           contents = file.Reserve(), picture = file.Reserve();
    file.Write(catalog, PdfDictionary().Name(Pdf::Type, Pdf::Catalog).Ref(Pdf::Pages, pageTree));
    file.Write(pageTree, PdfDictionary().Name(Pdf::Type, Pdf::Pages).Array(Pdf::Kids, PdfArray().Ref(page)).Integer(Pdf::Count, 1));
    file.Write(infoRef, InfoDictionary(info));
    file.Write(page, PdfDictionary()
                         .Name(Pdf::Type, Pdf::Page)
                         .Ref(Pdf::Parent, pageTree)
                         .Array(Pdf::MediaBox, PdfArray().Integer(0).Integer(0).Real(placement.pageWidth).Real(placement.pageHeight))
                         .Dictionary(Pdf::Resources, PdfDictionary().Dictionary(
                                                         Pdf::XObject, PdfDictionary().ResourceRef("Im1", picture)))
                         .Ref(Pdf::Contents, contents));
    file.WriteCompressedStream(contents, PdfDictionary(),
                               "q " + PdfNumber(placement.width) + " 0 0 " + PdfNumber(placement.height) + " " +
                                   PdfNumber(placement.x) + " " + PdfNumber(placement.y) + " cm /Im1 Do Q\n");
    WriteImage(file, picture, image);
    return file.Finish(catalog, infoRef);
}

} // namespace Document
