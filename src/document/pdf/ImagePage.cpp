#include "ImagePage.h"

#include <algorithm>
#include <utility>

namespace Document {

ImagePlacement PlaceImageOnPage(double paperWidth, double paperHeight, double margin, int pixelWidth,
                                int pixelHeight, double dpiX, double dpiY) {
    // One stated resolution serves both directions.
    if (dpiX <= 0) {
        dpiX = dpiY;
    }
    if (dpiY <= 0) {
        dpiY = dpiX;
    }
    // A file that states no resolution is shown as a screen shows it: 96
    // pixels an inch (an icon stays icon-sized, not blown up to the page).
    if (dpiX <= 0) {
        dpiX = dpiY = kUnstatedPixelsPerInch;
    }
    // The image's own size in points.
    const double naturalWidth = pixelWidth * 72.0 / dpiX;
    const double naturalHeight = pixelHeight * 72.0 / dpiY;

    ImagePlacement placement;
    placement.pageWidth = std::min(paperWidth, paperHeight);
    placement.pageHeight = std::max(paperWidth, paperHeight);
    if (naturalWidth > naturalHeight) {
        std::swap(placement.pageWidth, placement.pageHeight);
    }
    if (!(naturalWidth > 0 && naturalHeight > 0)) {
        return placement; // an empty page for no image (the readers never give one)
    }
    const double roomWidth = std::max(0.0, placement.pageWidth - 2 * margin);
    const double roomHeight = std::max(0.0, placement.pageHeight - 2 * margin);
    const double scale = std::min({roomWidth / naturalWidth, roomHeight / naturalHeight, 1.0});
    placement.width = naturalWidth * scale;
    placement.height = naturalHeight * scale;
    placement.x = (placement.pageWidth - placement.width) / 2;
    placement.y = (placement.pageHeight - placement.height) / 2;
    return placement;
}

} // namespace Document
