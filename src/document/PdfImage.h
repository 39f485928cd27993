#pragma once
// An image ready to be written as a PDF image XObject: the dictionary's
// entries as PDF text and the stream's bytes, already encoded. The image
// readers fill it; the PDF writer only copies it out.
#include <memory>
#include <string>

namespace Document {

struct PdfImage {
    int width = 0;
    int height = 0;
    int bitsPerComponent = 8;
    std::string colorSpace;   // "/DeviceGray", "/DeviceRGB", "/DeviceCMYK" or "[/Indexed /DeviceRGB 255 <...>]"
    std::string filter;       // "/DCTDecode" or "/FlateDecode"
    std::string decodeParms;  // "" or "<< /Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 640 >>"
    std::string extraEntries; // anything else the dictionary needs, e.g. "/Decode [1 0 1 0 1 0 1 0]"
    std::string data;         // the stream's bytes, encoded as `filter` says
    std::shared_ptr<PdfImage> softMask; // the alpha channel as a /DeviceGray image, when there is one
    double dpiX = 0;          // resolution the file states; 0 when it states none
    double dpiY = 0;
    int pdfVersion = 4;       // the PDF 1.x that the image needs: 5 for 16-bit components, else 4
};

} // namespace Document
