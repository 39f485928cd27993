#pragma once
// An image as a reader hands it over: facts about its samples and its data,
// either passed through as the file encodes it (wherever the format allows)
// or as plain rows. Readers fill it; only the PDF layer (ImagePdf) turns it
// into PDF syntax and chooses how plain rows are compressed.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Document {

enum class ColourModel { Gray, Rgb, Cmyk, Indexed };

// How `data` is encoded.
enum class ImageEncoding {
    Rows,     // the samples themselves: packed rows, each starting on a byte, no bytes between them
    Flate,    // a file's zlib data passed through, rows with a PNG predictor byte when `predictor` is set
    Dct,      // a whole JPEG stream, as the file has it
    CcittFax, // CCITT Group 3 or Group 4 data, as the file has it
};

// The colours of an indexed image.
struct Palette {
    ColourModel base = ColourModel::Rgb; // Gray or Rgb (with an ICC profile of that model when iccProfile is set)
    std::string entries;                 // each entry's components, one byte each, entry after entry
};

// PNG's row filters, kept in the data: what a reader needs to undo them.
struct RowPredictor {
    int colours = 1; // samples per pixel
    int bitsPerComponent = 8;
    int columns = 0;
};

// What a CCITT decoder must be told about data passed through.
struct CcittParameters {
    int k = -1;           // < 0 Group 4; 0 Group 3 one-dimensional; > 0 Group 3 two-dimensional
    int columns = 0;
    int rows = 0;
    bool blackIs1 = false;         // 1 bits are black (the photometric sense of the file)
    bool encodedByteAlign = false; // each row starts on a byte
    bool endOfLine = false;        // rows carry end-of-line codes
};

struct ImageData {
    int width = 0;
    int height = 0;
    int bitsPerComponent = 8;
    ColourModel colourModel = ColourModel::Rgb;
    std::optional<Palette> palette; // set exactly when colourModel is Indexed
    std::string iccProfile;         // an embedded ICC profile; empty for device colour
    bool inverted = false;          // samples stored inverted (an Adobe CMYK JPEG): decode each from 1 to 0
    ImageEncoding encoding = ImageEncoding::Rows;
    std::optional<RowPredictor> predictor;  // Flate only
    std::optional<CcittParameters> ccitt;   // CcittFax only
    std::string data;
    std::shared_ptr<ImageData> softMask;    // the alpha as a Gray image, when there is one
    std::vector<int> colourKey;             // transparent colours: lowest, highest sample of each component; empty for none
    double dpiX = 0; // the resolution the file states; 0 when it states none
    double dpiY = 0;
    int orientation = 1; // EXIF orientation, 1 to 8: how the stored picture is turned to show it as recorded
};

// The units files state their resolution in.
enum class ResolutionUnit { Inch, Centimetre, Metre };

// Dots per inch from a resolution in `unit`.
inline double DotsPerInch(double value, ResolutionUnit unit) {
    switch (unit) {
    case ResolutionUnit::Centimetre: return value * 2.54;
    case ResolutionUnit::Metre: return value * 0.0254;
    default: return value;
    }
}

// An EXIF or TIFF orientation as `orientation` takes it: a value outside
// 1 to 8 means the picture is shown as stored.
inline int ValidOrientation(long long value) { return value >= 1 && value <= 8 ? static_cast<int>(value) : 1; }

} // namespace Document
