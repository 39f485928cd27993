#include "FlateCodec.h"
#include "ImagePdf.h"
#include "PdfReading.h"
#include "PngFilter.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// 200 x 100 pixels at 72 dpi: 200 x 100 points, on A4 turned to landscape.
ImageData Jpeg()
{
    ImageData image;
    image.width = 200;
    image.height = 100;
    image.dpiX = image.dpiY = 72;
    image.encoding = ImageEncoding::Dct;
    image.data = std::string("\xFF\xD8\xFF\xE0 not decoded \r\n endstream \xFF\xD9", 29);
    return image;
}

// An ICC profile header of the given colour space, padded to 132 bytes.
std::string Profile(const char* space)
{
    std::string profile(132, '\0');
    profile.replace(16, 4, space);
    profile.replace(36, 4, "acsp");
    return profile;
}

// A page as a reader draws it: its size, and the image its content draws
// (the XObject its Do names) through the matrix its cm sets.
struct DrawnPage {
    std::vector<double> mediaBox;
    std::vector<double> matrix;
    PdfObjectText image;
};

std::vector<DrawnPage> ReadImagePages(const std::map<int, PdfObjectText>& objects)
{
    std::vector<DrawnPage> pages;
    for (const PdfObjectText& page : PageObjects(objects)) {
        DrawnPage& read = pages.emplace_back();
        read.mediaBox = NumbersIn(PageValue(objects, page, "/MediaBox"));
        const std::string images = ResolvedValue(objects, PageValue(objects, page, "/Resources"), "/XObject");
        std::string operators;
        for (const PdfOperation& operation :
             ReadContentStream(Referenced(objects, DictionaryValue(page.dictionary, "/Contents")).stream)) {
            operators += operation.op + " ";
            if (operation.op == "cm") {
                for (const std::string& operand : operation.operands) {
                    read.matrix.push_back(NumbersIn(operand).at(0));
                }
            } else if (operation.op == "Do") {
                read.image = Referenced(objects, DictionaryValue(images, operation.operands.at(0)));
            }
        }
        EXPECT_EQ(operators, "q cm Do Q ") << "the image drawn once, the graphics state restored";
    }
    return pages;
}

// The conformance the catalog's metadata claims ("U", "B"), empty for none;
// "no metadata" when the catalog has none.
std::string ClaimedConformance(const std::map<int, PdfObjectText>& objects)
{
    const std::vector<PdfObjectText> catalogs = ObjectsWith(objects, "/Type /Catalog");
    if (catalogs.size() != 1 || DictionaryValue(catalogs[0].dictionary, "/Metadata").empty()) {
        return "no metadata";
    }
    const std::string& xmp = Referenced(objects, DictionaryValue(catalogs[0].dictionary, "/Metadata")).stream;
    const std::string key = "pdfaid:conformance=\"";
    const size_t at = xmp.find(key);
    return at == std::string::npos ? std::string() : xmp.substr(at + key.size(), 1);
}

TEST(ImagePdf, EachImagesFactsBecomeItsTypedDictionary)
{
    const ImageData jpeg = Jpeg();
    ImageData png = jpeg;
    png.encoding = ImageEncoding::Flate;
    png.predictor = RowPredictor{3, 8, 200};
    png.data = FlateCodec::Compress("compressed rows");
    png.softMask = std::make_shared<ImageData>(png);
    png.softMask->colourModel = ColourModel::Gray;
    png.softMask->predictor.reset();
    png.softMask->data = FlateCodec::Compress("alpha");
    ImageData deep = png;
    deep.bitsPerComponent = 16;
    deep.softMask.reset();
    deep.predictor = RowPredictor{3, 16, 200};
    ImageData palette = png;
    palette.softMask.reset();
    palette.colourModel = ColourModel::Indexed;
    palette.palette = Palette{ColourModel::Rgb, std::string("\x00\x10\xFF" "(\\", 5)}; // the last entry cut short
    palette.colourKey = {1, 1};
    palette.predictor = RowPredictor{1, 8, 200};
    ImageData cmyk = Jpeg();
    cmyk.colourModel = ColourModel::Cmyk;
    cmyk.inverted = true;
    ImageData fax = Jpeg();
    fax.colourModel = ColourModel::Gray;
    fax.bitsPerComponent = 1;
    fax.encoding = ImageEncoding::CcittFax;
    fax.ccitt = CcittParameters{-1, 200, 100, true, false, false};
    fax.data = "G4 data";
    ImageData profiled = Jpeg();
    profiled.iccProfile = Profile("RGB ");
    ImageData wrongProfile = Jpeg();
    wrongProfile.iccProfile = Profile("CMYK");

    const struct {
        const char* name;
        const ImageData* image;
        const char* version;
        std::vector<std::pair<const char*, const char*>> entries; // of the image's dictionary, in any order
        std::string claim = "U"; // the conformance the metadata claims; empty: none
    } rows[] = {
        {"JPEG", &jpeg, "%PDF-1.3\n",
         {{"/Width", "200"}, {"/Height", "100"}, {"/ColorSpace", "/DeviceRGB"}, {"/BitsPerComponent", "8"},
          {"/Filter", "/DCTDecode"}, {"/Length", "29"}, {"/DecodeParms", ""}}},
        {"PNG rows with a soft mask", &png, "%PDF-1.4\n",
         {{"/ColorSpace", "/DeviceRGB"}, {"/BitsPerComponent", "8"}, {"/Filter", "/FlateDecode"},
          {"/DecodeParms", "<< /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 200 >>"}}},
        {"16 bits", &deep, "%PDF-1.5\n", {{"/BitsPerComponent", "16"}, {"/Filter", "/FlateDecode"}}},
        {"palette, colour key", &palette, "%PDF-1.3\n",
         {{"/ColorSpace", "[/Indexed /DeviceRGB 1 <0010FF285C00>]"}, {"/BitsPerComponent", "8"}, {"/Mask", "[1 1]"}}},
        {"Adobe CMYK", &cmyk, "%PDF-1.3\n",
         {{"/ColorSpace", "/DeviceCMYK"}, {"/Filter", "/DCTDecode"}, {"/Decode", "[1 0 1 0 1 0 1 0]"}},
         ""},
        {"Group 4", &fax, "%PDF-1.3\n",
         {{"/ColorSpace", "/DeviceGray"}, {"/BitsPerComponent", "1"}, {"/Filter", "/CCITTFaxDecode"},
          {"/DecodeParms", "<< /K -1 /Columns 200 /Rows 100 /BlackIs1 true >>"}}},
        {"ICC profile", &profiled, "%PDF-1.3\n", {}},
        {"a profile of another colour space is left out", &wrongProfile, "%PDF-1.3\n", {{"/ColorSpace", "/DeviceRGB"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string pdf = WriteImagePdf({*row.image}, Paper{595, 842}, {U"photo.jpg", PdfDate(2026, 1, 2, 3, 4, 5)});
        EXPECT_EQ(pdf.compare(0, 9, row.version), 0);
        const std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf);
        const std::vector<PdfObjectText> images = ObjectsWith(objects, "/Subtype /Image");
        ASSERT_EQ(images.size(), row.image->softMask ? 2u : 1u);
        // The picture is the image that is not another's soft mask.
        PdfObjectText main = images[0];
        for (const PdfObjectText& image : images) {
            if (!DictionaryValue(image.dictionary, "/SMask").empty()) {
                main = image;
            }
        }
        EXPECT_EQ(DictionaryValue(main.dictionary, "/Width"), "200");
        EXPECT_EQ(DictionaryValue(main.dictionary, "/Height"), "100");
        for (const auto& [key, value] : row.entries) {
            EXPECT_EQ(DictionaryValue(main.dictionary, key), value) << key;
        }
        if (row.image->encoding != ImageEncoding::Flate) {
            EXPECT_EQ(main.stream, row.image->data);
        }
        if (row.image->softMask) {
            const std::string mask = DictionaryValue(main.dictionary, "/SMask");
            ASSERT_FALSE(mask.empty());
            const PdfObjectText& maskObject = objects.at(std::stoi(mask));
            EXPECT_EQ(DictionaryValue(maskObject.dictionary, "/ColorSpace"), "/DeviceGray");
            EXPECT_EQ(maskObject.stream, "alpha");
        }
        const std::string colourSpace = DictionaryValue(main.dictionary, "/ColorSpace");
        if (row.image == &profiled) {
            ASSERT_EQ(colourSpace.rfind("[/ICCBased ", 0), 0u) << colourSpace;
            const PdfObjectText& profile = objects.at(std::stoi(colourSpace.substr(11)));
            EXPECT_EQ(DictionaryValue(profile.dictionary, "/N"), "3");
            EXPECT_EQ(DictionaryValue(profile.dictionary, "/Alternate"), "/DeviceRGB");
            EXPECT_EQ(profile.stream, row.image->iccProfile);
        }
        EXPECT_EQ(ClaimedConformance(objects), row.claim);
        const std::vector<DrawnPage> pages = ReadImagePages(objects);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].mediaBox, (std::vector<double>{0, 0, 842, 595}));
        EXPECT_EQ(pages[0].matrix, (std::vector<double>{200, 0, 0, 100, 321, 247.5}));
        EXPECT_EQ(pages[0].image.dictionary, main.dictionary) << "the page draws the picture, not its mask";
        size_t titled = 0;
        for (const auto& [number, object] : objects) {
            titled += DictionaryValue(object.dictionary, "/Title") == "(photo.jpg)";
        }
        EXPECT_EQ(titled, 1u);
    }
}

// The standard asked for decides the claim, never beyond what the file
// has: plain PDF carries no archival parts and no ID, as before they were
// written.
TEST(ImagePdf, TheStandardAskedForDecidesTheClaim)
{
    ImageData cmyk = Jpeg();
    cmyk.colourModel = ColourModel::Cmyk;
    const struct {
        PdfStandard standard;
        const ImageData image;
        const char* claim;
        bool identified;
    } rows[] = {
        {PdfStandard::PdfA2u, Jpeg(), "U", true},
        {PdfStandard::PdfA2b, Jpeg(), "B", true},
        {PdfStandard::PdfA2b, cmyk, "", true},
        {PdfStandard::Pdf, Jpeg(), "no metadata", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.standard));
        DocumentInfo info{U"photo.jpg", PdfDate(2026, 1, 2, 3, 4, 5), row.standard};
        const std::string pdf = WriteImagePdf({row.image}, Paper{595, 842}, info);
        EXPECT_EQ(ClaimedConformance(ReadPdfObjects(pdf)), row.claim);
        EXPECT_EQ(pdf.find("/ID [<") != std::string::npos, row.identified);
        EXPECT_EQ(pdf.find("/ModDate") != std::string::npos, row.identified);
    }
    EXPECT_THROW(WriteImagePdf({Jpeg()}, Paper{595, 842}, DocumentInfo{U"a", "", PdfStandard::PdfA1b}), std::invalid_argument);
}

// The stored 200 x 100 picture, shown as EXIF orientation says: the data
// stays, the page's matrix turns it, and the page follows the shown picture.
TEST(ImagePdf, OrientationTurnsThePictureAndItsPage)
{
    const struct {
        int orientation;
        std::vector<double> mediaBox;
        std::vector<double> matrix;
    } rows[] = {
        {1, {0, 0, 842, 595}, {200, 0, 0, 100, 321, 247.5}},
        {2, {0, 0, 842, 595}, {-200, 0, 0, 100, 521, 247.5}},
        {3, {0, 0, 842, 595}, {-200, 0, 0, -100, 521, 347.5}},
        {4, {0, 0, 842, 595}, {200, 0, 0, -100, 321, 347.5}},
        {5, {0, 0, 595, 842}, {0, -200, -100, 0, 347.5, 521}},
        {6, {0, 0, 595, 842}, {0, -200, 100, 0, 247.5, 521}},
        {7, {0, 0, 595, 842}, {0, 200, 100, 0, 247.5, 321}},
        {8, {0, 0, 595, 842}, {0, 200, -100, 0, 347.5, 321}},
        {9, {0, 0, 842, 595}, {200, 0, 0, 100, 321, 247.5}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.orientation);
        ImageData image = Jpeg();
        image.orientation = row.orientation;
        const std::map<int, PdfObjectText> objects = ReadPdfObjects(WriteImagePdf({image}, Paper{595, 842}, {U"photo.jpg", ""}));
        const std::vector<DrawnPage> pages = ReadImagePages(objects);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].mediaBox, row.mediaBox);
        EXPECT_EQ(pages[0].matrix, row.matrix);
        EXPECT_EQ(pages[0].image.stream, image.data);
    }
}

// Plain rows are compressed here, the one place that chooses: the PNG
// predictor for continuous tones, none where it only adds a byte a row. A
// reader gets the rows back either way.
TEST(ImagePdf, PlainRowsGetFlateWithThePredictorWhereItPays)
{
    const struct {
        const char* name;
        ColourModel model;
        int bits;
        int colours;
        bool predictor;
    } rows[] = {
        {"RGB, 8 bits", ColourModel::Rgb, 8, 3, true},
        {"grey, 16 bits", ColourModel::Gray, 16, 1, true},
        {"CMYK, 8 bits", ColourModel::Cmyk, 8, 4, true},
        {"palette indices", ColourModel::Indexed, 8, 1, false},
        {"bilevel", ColourModel::Gray, 1, 1, false},
        {"4-bit indices", ColourModel::Indexed, 4, 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ImageData image;
        image.width = 7;
        image.height = 5;
        image.colourModel = row.model;
        image.bitsPerComponent = row.bits;
        if (row.model == ColourModel::Indexed) {
            image.palette = Palette{ColourModel::Rgb, std::string(3u << row.bits, 'p')};
        }
        const std::size_t rowBytes = (7u * row.colours * row.bits + 7) / 8;
        for (std::size_t i = 0; i < rowBytes * 5; ++i) {
            image.data.push_back(static_cast<char>(i * 37 % 251));
        }
        const std::map<int, PdfObjectText> objects = ReadPdfObjects(WriteImagePdf({image}, Paper{595, 842}, {U"rows", ""}));
        const PdfObjectText picture = ObjectsWith(objects, "/Subtype /Image").at(0);
        EXPECT_EQ(DictionaryValue(picture.dictionary, "/Filter"), "/FlateDecode");
        const std::string parms = DictionaryValue(picture.dictionary, "/DecodeParms");
        std::string decoded = picture.stream;
        if (row.predictor) {
            EXPECT_EQ(parms, "<< /Predictor 15 /Colors " + std::to_string(row.colours) + " /BitsPerComponent " +
                                 std::to_string(row.bits) + " /Columns 7 >>");
            ASSERT_EQ(decoded.size(), (rowBytes + 1) * 5);
            PngFilter::Unfilter(decoded.data(), 5, rowBytes, std::size_t(row.colours) * row.bits / 8);
            for (std::size_t y = 0; y < 5; ++y) {
                decoded.erase(y * rowBytes, 1);
            }
        } else {
            EXPECT_EQ(parms, "");
        }
        EXPECT_EQ(decoded, image.data);
    }
}

TEST(ImagePdf, SeveralImagesGiveAPageEachAndShareTheirProfile)
{
    ImageData wide = Jpeg();
    wide.iccProfile = Profile("RGB ");
    ImageData tall = wide;
    std::swap(tall.width, tall.height);
    const std::map<int, PdfObjectText> objects = ReadPdfObjects(WriteImagePdf({wide, tall, wide}, Paper{595, 842}, {U"scan.tif", ""}));
    const std::vector<DrawnPage> pages = ReadImagePages(objects);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].mediaBox, (std::vector<double>{0, 0, 842, 595}));
    EXPECT_EQ(pages[1].mediaBox, (std::vector<double>{0, 0, 595, 842}));
    EXPECT_EQ(pages[2].mediaBox, (std::vector<double>{0, 0, 842, 595}));
    EXPECT_EQ(ObjectsWith(objects, "/Subtype /Image").size(), 3u);
    EXPECT_EQ(ObjectsWith(objects, "/Alternate /DeviceRGB").size(), 1u);
}

} // namespace
} // namespace Document
