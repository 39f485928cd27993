#include "FlateCodec.h"
#include "ImagePdf.h"
#include "PdfReading.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

TEST(ImagePdf, TheImagesBytesGoInAsTheyAreWithTheirMaskAndPlacement)
{
    PdfImage jpeg;
    jpeg.width = 640;
    jpeg.height = 480;
    jpeg.colorSpace = "/DeviceRGB";
    jpeg.filter = "/DCTDecode";
    jpeg.data = std::string("\xFF\xD8\xFF\xE0 not decoded \r\n endstream \xFF\xD9", 29);
    jpeg.pdfVersion = 3;
    PdfImage png = jpeg;
    png.filter = "/FlateDecode";
    png.data = FlateCodec::Compress("compressed rows");
    png.decodeParms = "<< /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 640 >>";
    png.softMask = std::make_shared<PdfImage>(jpeg);
    png.softMask->colorSpace = "/DeviceGray";
    png.softMask->filter = "";
    png.softMask->data = "alpha";
    png.pdfVersion = 4;
    ImagePlacement placement{842, 595, 36, 27.5, 770, 540};

    const struct {
        const PdfImage* image;
        const char* version;
        size_t images;
    } cases[] = {{&jpeg, "%PDF-1.3\n", 1}, {&png, "%PDF-1.4\n", 2}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const PdfImage& image = *cases[i].image;
        std::string pdf = WriteImagePdf(image, placement, {U"photo.jpg", PdfDate(2026, 1, 2, 3, 4, 5)});
        EXPECT_EQ(pdf.compare(0, 9, cases[i].version), 0) << "case " << i;
        std::map<int, PdfObjectText> objects = ReadPdfObjects(pdf);
        std::vector<PdfObjectText> images = ObjectsWith(objects, "/Subtype /Image");
        ASSERT_EQ(images.size(), cases[i].images) << "case " << i;
        std::vector<PdfObjectText> main = ObjectsWith(objects, "/ColorSpace /DeviceRGB");
        ASSERT_EQ(main.size(), 1u) << "case " << i;
        if (image.filter == "/DCTDecode") {
            EXPECT_EQ(main[0].stream, image.data) << "case " << i;
        }
        EXPECT_NE(main[0].dictionary.find("/Width 640 /Height 480 /ColorSpace /DeviceRGB /BitsPerComponent 8"),
                  std::string::npos)
            << "case " << i;
        EXPECT_EQ(main[0].dictionary.find("/SMask") != std::string::npos, image.softMask != nullptr) << "case " << i;
        if (image.softMask) {
            std::vector<PdfObjectText> masks = ObjectsWith(objects, "/ColorSpace /DeviceGray");
            ASSERT_EQ(masks.size(), 1u) << "case " << i;
            EXPECT_EQ(masks[0].stream, "alpha") << "case " << i;
        }
        EXPECT_EQ(ObjectsWith(objects, "/MediaBox [0 0 842 595]").size(), 1u) << "case " << i;
        std::vector<PdfObjectText> contents = ObjectsWith(objects, "<< /Filter /FlateDecode /Length");
        ASSERT_EQ(contents.size(), 1u) << "case " << i;
        EXPECT_EQ(contents[0].stream, "q 770 0 0 540 36 27.5 cm /Im1 Do Q\n") << "case " << i;
        EXPECT_EQ(ObjectsWith(objects, "/Title (photo.jpg)").size(), 1u) << "case " << i;
    }
}

} // namespace
} // namespace Document
