#include "ImagePage.h"

#include <gtest/gtest.h>

using namespace Document;

TEST(ImagePage, TurnsFitsAndCentres) {
    struct Row {
        const char* name;
        double paperWidth, paperHeight;
        int pixelWidth, pixelHeight;
        double dpiX, dpiY;
        // expected page and image rectangle
        double pageWidth, pageHeight, x, y, width, height;
    };
    const double m = 36; // half an inch on every side
    const Row rows[] = {
        // A 300 dpi photo of 6 x 4 inches: landscape A4, its own size (432 x 288 pt), centred.
        {"small photo keeps its size", 595, 842, 1800, 1200, 300, 300, 842, 595, 205, 153.5, 432, 288},
        // A 72 dpi screenshot wider than the room: fitted to the width of landscape Letter.
        {"wide screenshot shrinks", 612, 792, 2000, 1000, 72, 72, 792, 612, 36, 126, 720, 360},
        // A tall scan at 150 dpi on A4 is taller than the room: fitted to the height.
        {"tall scan shrinks", 595, 842, 1275, 3000, 150, 150, 595, 842, 297.5 - 0.425 * 770 / 2, 36, 0.425 * 770, 770},
        // No stated resolution: 96 pixels an inch, never enlarged (a 48 x 48 icon is half an inch wide)...
        {"an icon keeps its size", 595, 842, 48, 48, 0, 0, 595, 842, 279.5, 403, 36, 36},
        // ... but shrunk to fit: 2000 x 1000 pixels are 1500 x 750 pt, fitted to landscape A4's width.
        {"no resolution shrinks to fit", 595, 842, 2000, 1000, 0, 0, 842, 595, 36, 105, 770, 385},
        // Only one direction stated: it serves both.
        {"one resolution serves both", 595, 842, 144, 72, 0, 144, 842, 595, 385, 279.5, 72, 36},
        // Pixels twice as tall as wide (dpi 200 x 100) make a square image of a 200 x 100 pixel file.
        {"non-square pixels", 595, 842, 200, 100, 200, 100, 595, 842, 261.5, 385, 72, 72},
        // Paper given in landscape by mistake is still read as portrait.
        {"paper in landscape", 842, 595, 100, 200, 72, 72, 595, 842, 247.5, 321, 100, 200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ImagePlacement p =
            PlaceImageOnPage(row.paperWidth, row.paperHeight, m, row.pixelWidth, row.pixelHeight, row.dpiX, row.dpiY);
        EXPECT_DOUBLE_EQ(p.pageWidth, row.pageWidth);
        EXPECT_DOUBLE_EQ(p.pageHeight, row.pageHeight);
        EXPECT_NEAR(p.x, row.x, 1e-9);
        EXPECT_NEAR(p.y, row.y, 1e-9);
        EXPECT_NEAR(p.width, row.width, 1e-9);
        EXPECT_NEAR(p.height, row.height, 1e-9);
    }
}
