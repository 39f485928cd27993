#include "ImagePdf.h"

#include "ArchivalParts.h"
#include "FlateCodec.h"
#include "ImagePage.h"
#include "PdfFile.h"
#include "PngFilter.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace Document {
namespace {

int Components(ColourModel model)
{
    switch (model) {
    case ColourModel::Rgb: return 3;
    case ColourModel::Cmyk: return 4;
    default: return 1;
    }
}

PdfName DeviceSpace(ColourModel model)
{
    switch (model) {
    case ColourModel::Rgb: return Pdf::DeviceRGB;
    case ColourModel::Cmyk: return Pdf::DeviceCMYK;
    default: return Pdf::DeviceGray;
    }
}

// The components a profile describes, from its header's colour space; 0 for
// a profile too short to have one or of a space the PDF has no device for.
int ProfileComponents(const std::string& profile)
{
    if (profile.size() < 128) {
        return 0;
    }
    const std::string space = profile.substr(16, 4);
    return space == "GRAY" ? 1 : space == "RGB " ? 3 : space == "CMYK" ? 4 : 0;
}

// An image's stream as it goes into the file: its data and, for Flate, the
// row predictor its rows carry.
struct ImageStream {
    std::string compressed; // empty when the image's own data goes in as it is
    std::optional<RowPredictor> predictor;
};

// The one choice of how an image's samples are compressed. Data a reader
// passed through goes in as it is; plain rows get Flate, with the PNG
// predictor where it pays off (continuous tones of 8 and 16 bits) and
// without where it only adds a byte a row (indices, bilevel and other
// sub-byte rows).
ImageStream Encode(const ImageData& image)
{
    if (image.encoding != ImageEncoding::Rows) {
        return {std::string(), image.predictor};
    }
    const int colours = Components(image.colourModel);
    if (image.colourModel == ColourModel::Indexed || image.bitsPerComponent < 8) {
        return {FlateCodec::Compress(image.data), std::nullopt};
    }
    const std::size_t bitsPerPixel = std::size_t(colours) * image.bitsPerComponent;
    const std::size_t rowBytes = (std::size_t(image.width) * bitsPerPixel + 7) / 8;
    return {FlateCodec::Compress(PngFilter::Filter(image.data, image.height, rowBytes, bitsPerPixel / 8)),
            RowPredictor{colours, image.bitsPerComponent, image.width}};
}

class ImageWriter {
public:
    explicit ImageWriter(PdfFile& file) : file_(file) {}

    void Write(PdfRef ref, const ImageData& image)
    {
        PdfDictionary dictionary;
        dictionary.Name(Pdf::Type, Pdf::XObject)
            .Name(Pdf::Subtype, Pdf::Image)
            .Integer(Pdf::Width, image.width)
            .Integer(Pdf::Height, image.height);
        ColourSpace(dictionary, image);
        dictionary.Integer(Pdf::BitsPerComponent, image.bitsPerComponent);
        const ImageStream stream = Encode(image);
        Encoding(dictionary, image, stream.predictor);
        if (image.inverted && image.colourModel != ColourModel::Indexed) {
            PdfArray decode;
            for (int i = 0; i < Components(image.colourModel); ++i) {
                decode.Integer(1).Integer(0);
            }
            dictionary.Array(Pdf::Decode, decode);
        }
        if (!image.colourKey.empty()) {
            PdfArray key;
            for (int value : image.colourKey) {
                key.Integer(value);
            }
            dictionary.Array(Pdf::Mask, key);
        }
        if (image.softMask) {
            PdfRef mask = file_.Reserve();
            dictionary.Ref(Pdf::SMask, mask);
            Write(mask, *image.softMask);
        }
        file_.WriteStream(ref, dictionary, image.encoding == ImageEncoding::Rows ? stream.compressed : image.data);
    }

    // Whether some image's colours are device CMYK: the output intent says
    // what RGB means, and nothing says what those colours are.
    bool UsedDeviceCmyk() const { return deviceCmyk_; }

private:
    // Device colour, or the embedded profile over it when the profile fits
    // the samples (a profile of another colour space would make readers
    // refuse the image, so it is left out).
    void ColourSpace(PdfDictionary& dictionary, const ImageData& image)
    {
        if (image.colourModel != ColourModel::Indexed) {
            if (auto icc = Profile(image.iccProfile, image.colourModel)) {
                dictionary.Array(Pdf::ColorSpace, *icc);
            } else {
                dictionary.Name(Pdf::ColorSpace, DeviceSpace(image.colourModel));
                deviceCmyk_ = deviceCmyk_ || image.colourModel == ColourModel::Cmyk;
            }
            return;
        }
        const Palette& palette = image.palette.value();
        const int components = Components(palette.base);
        // A reader looks up (hival + 1) whole entries: a short last one is padded.
        const size_t entries = std::clamp<size_t>((palette.entries.size() + components - 1) / components, 1, 256);
        std::string lookup = palette.entries.substr(0, entries * components);
        lookup.resize(entries * components, '\0');
        PdfArray indexed;
        indexed.Name(Pdf::Indexed);
        if (auto icc = Profile(image.iccProfile, palette.base)) {
            indexed.Array(*icc);
        } else {
            indexed.Name(DeviceSpace(palette.base));
            deviceCmyk_ = deviceCmyk_ || palette.base == ColourModel::Cmyk;
        }
        indexed.Integer(static_cast<long long>(entries) - 1).HexBytes(lookup);
        dictionary.Array(Pdf::ColorSpace, indexed);
    }

    std::optional<PdfArray> Profile(const std::string& profile, ColourModel model)
    {
        const int components = Components(model);
        if (profile.empty() || ProfileComponents(profile) != components) {
            return std::nullopt;
        }
        // The pages of one file share their profile: it is written once.
        if (profile != lastProfile_) {
            lastProfileRef_ = file_.Reserve();
            file_.WriteCompressedStream(lastProfileRef_,
                                        PdfDictionary().Integer(Pdf::N, components).Name(Pdf::Alternate, DeviceSpace(model)),
                                        profile);
            lastProfile_ = profile;
        }
        return PdfArray().Name(Pdf::ICCBased).Ref(lastProfileRef_);
    }

    static void Encoding(PdfDictionary& dictionary, const ImageData& image, const std::optional<RowPredictor>& predictor)
    {
        switch (image.encoding) {
        case ImageEncoding::Rows:
        case ImageEncoding::Flate:
            dictionary.Name(Pdf::Filter, Pdf::FlateDecode);
            if (const auto& p = predictor) {
                dictionary.Dictionary(Pdf::DecodeParms, PdfDictionary()
                                                            .Integer(Pdf::Predictor, 15)
                                                            .Integer(Pdf::Colors, p->colours)
                                                            .Integer(Pdf::BitsPerComponent, p->bitsPerComponent)
                                                            .Integer(Pdf::Columns, p->columns));
            }
            break;
        case ImageEncoding::Dct:
            dictionary.Name(Pdf::Filter, Pdf::DCTDecode);
            break;
        case ImageEncoding::CcittFax: {
            dictionary.Name(Pdf::Filter, Pdf::CCITTFaxDecode);
            const CcittParameters ccitt = image.ccitt.value_or(CcittParameters{-1, image.width, image.height});
            PdfDictionary parms;
            parms.Integer(Pdf::K, ccitt.k).Integer(Pdf::Columns, ccitt.columns).Integer(Pdf::Rows, ccitt.rows);
            if (ccitt.blackIs1) {
                parms.Boolean(Pdf::BlackIs1, true);
            }
            if (ccitt.encodedByteAlign) {
                parms.Boolean(Pdf::EncodedByteAlign, true);
            }
            if (ccitt.endOfLine) {
                parms.Boolean(Pdf::EndOfLine, true);
            }
            dictionary.Dictionary(Pdf::DecodeParms, parms);
            break;
        }
        }
    }

    PdfFile& file_;
    std::string lastProfile_;
    PdfRef lastProfileRef_;
    bool deviceCmyk_ = false;
};

// How EXIF orientation shows the stored picture: the shown picture's
// unit square from the stored one's, p = a s + b t + c and q = d s + e t + f
// (s, t and p, q rightwards and upwards from the lower-left corner).
struct Turn {
    int a, b, c, d, e, f;
};
constexpr Turn kTurns[8] = {
    {1, 0, 0, 0, 1, 0},   // 1 as stored
    {-1, 0, 1, 0, 1, 0},  // 2 mirrored left to right
    {-1, 0, 1, 0, -1, 1}, // 3 turned half round
    {1, 0, 0, 0, -1, 1},  // 4 mirrored top to bottom
    {0, -1, 1, -1, 0, 1}, // 5 mirrored along the diagonal from the top left
    {0, 1, 0, -1, 0, 1},  // 6 turned a quarter clockwise
    {0, 1, 0, 1, 0, 0},   // 7 mirrored along the other diagonal
    {0, -1, 1, 1, 0, 0},  // 8 turned a quarter anticlockwise
};

// Orientations 5 to 8 swap the picture's sides.
int Orientation(const ImageData& image) { return ValidOrientation(image.orientation); }
bool SidesSwap(const ImageData& image) { return Orientation(image) >= 5; }

ImagePlacement Place(const ImageData& image, const Paper& paper)
{
    const bool swap = SidesSwap(image);
    return PlaceImageOnPage(paper.width, paper.height, kImageMargin, swap ? image.height : image.width,
                            swap ? image.width : image.height, swap ? image.dpiY : image.dpiX, swap ? image.dpiX : image.dpiY);
}

// The page's content: the picture drawn into its rectangle, turned as it was taken.
std::string PageContent(const ImageData& image, const ImagePlacement& placement)
{
    const Turn& turn = kTurns[Orientation(image) - 1];
    const double w = placement.width, h = placement.height;
    return "q " + PdfNumber(w * turn.a) + " " + PdfNumber(h * turn.d) + " " + PdfNumber(w * turn.b) + " " +
           PdfNumber(h * turn.e) + " " + PdfNumber(placement.x + w * turn.c) + " " + PdfNumber(placement.y + h * turn.f) +
           " cm /Im1 Do Q\n";
}

// The PDF 1.x that an image needs: 5 for 16-bit samples, 4 for a soft mask, else 3.
int ImagePdfVersion(const ImageData& image)
{
    int version = image.bitsPerComponent == 16 ? 5 : 3;
    if (image.softMask) {
        version = std::max({version, 4, ImagePdfVersion(*image.softMask)});
    }
    return version;
}

} // namespace

std::string WriteImagePdf(const std::vector<ImageData>& pages, const Paper& paper, const DocumentInfo& info)
{
    if (pages.empty()) {
        throw std::invalid_argument("WriteImagePdf: no image to write");
    }
    int version = 3;
    for (const ImageData& image : pages) {
        version = std::max(version, ImagePdfVersion(image));
    }
    PdfFile file(version);
    PdfRef catalog = file.Reserve(), pageTree = file.Reserve(), infoRef = file.Reserve();
    file.Write(infoRef, InfoDictionary(info));
    std::vector<PdfRef> pageRefs;
    PdfArray kids;
    for (size_t i = 0; i < pages.size(); ++i) {
        pageRefs.push_back(file.Reserve());
        kids.Ref(pageRefs.back());
    }
    file.Write(pageTree, PdfDictionary().Name(Pdf::Type, Pdf::Pages).Array(Pdf::Kids, kids).Integer(Pdf::Count, static_cast<long long>(pages.size())));
    ImageWriter images(file);
    for (size_t i = 0; i < pages.size(); ++i) {
        const ImageData& image = pages[i];
        const ImagePlacement placement = Place(image, paper);
        PdfRef contents = file.Reserve(), picture = file.Reserve();
        file.Write(pageRefs[i], PdfDictionary()
                                    .Name(Pdf::Type, Pdf::Page)
                                    .Ref(Pdf::Parent, pageTree)
                                    .Array(Pdf::MediaBox, PdfArray().Integer(0).Integer(0).Real(placement.pageWidth).Real(placement.pageHeight))
                                    .Dictionary(Pdf::Resources, PdfDictionary().Dictionary(
                                                                    Pdf::XObject, PdfDictionary().ResourceRef("Im1", picture)))
                                    .Ref(Pdf::Contents, contents));
        file.WriteCompressedStream(contents, PdfDictionary(), PageContent(image, placement));
        images.Write(picture, image);
    }
    // Written last, when it is known which colours the images used. A file
    // with device CMYK claims no conformance rather than a profile for it
    // that the image never named.
    PdfDictionary catalogDictionary;
    catalogDictionary.Name(Pdf::Type, Pdf::Catalog).Ref(Pdf::Pages, pageTree);
    WriteArchivalParts(file, info, images.UsedDeviceCmyk() ? Conformance::None : Conformance::Unicode, catalogDictionary);
    file.Write(catalog, catalogDictionary);
    return file.Finish(catalog, infoRef, info.standard != PdfStandard::Pdf);
}

} // namespace Document
