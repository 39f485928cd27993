#pragma once
// Where an image goes on its page: the paper turned to suit the image
// (landscape for an image wider than tall), the image fitted inside the
// margins and centred, never drawn larger than its own resolution makes it,
// or than 96 pixels an inch when the file states none.
namespace Document {

constexpr double kUnstatedPixelsPerInch = 96;

struct ImagePlacement {
    double pageWidth = 0; // the page, in points, already turned
    double pageHeight = 0;
    double x = 0;         // the image's lower-left corner and size, in points
    double y = 0;
    double width = 0;
    double height = 0;
};

// `paperWidth` x `paperHeight`: the paper in portrait (e.g. 595 x 842 for
// A4); `margin`: on every side, in points; `dpiX`, `dpiY`: 0 when the file
// states no resolution.
ImagePlacement PlaceImageOnPage(double paperWidth, double paperHeight, double margin, int pixelWidth,
                                int pixelHeight, double dpiX, double dpiY);

} // namespace Document
