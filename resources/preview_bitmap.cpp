#include "resources/preview_bitmap.h"

#include "platform/painter.h"

namespace korv {

// A small monitor on a stand with a sunset on its screen, drawn rather than
// stored so that the program carries no image file for it.
platform::Surface PreviewBitmap() {
    using platform::Rgb;
    platform::Surface bitmap(96, 112);
    platform::Painter painter(bitmap);
    painter.Fill(bitmap.Bounds(), Rgb(0, 0, 0));
    painter.Fill({8, 16, 88, 76}, Rgb(192, 192, 192));
    painter.RaisedEdge({8, 16, 88, 76});
    for (int y = 22; y < 70; ++y) {
        int t = (y - 22) * 255 / 48;
        painter.Fill({14, y, 82, y + 1}, Rgb(static_cast<uint8_t>(40 + t * 3 / 4), static_cast<uint8_t>(20 + t / 3),
                                             static_cast<uint8_t>(120 - t * 2 / 5)));
    }
    for (int r = 0; r < 10; ++r) painter.Fill({48 - (10 - r), 60 - r, 48 + (10 - r), 61 - r}, Rgb(255, 200, 60));
    painter.Fill({14, 62, 82, 70}, Rgb(20, 40, 90));
    painter.Fill({40, 76, 56, 88}, Rgb(128, 128, 128));
    painter.Fill({26, 88, 70, 94}, Rgb(160, 160, 160));
    painter.RaisedEdge({26, 88, 70, 94});
    return bitmap;
}

}  // namespace korv
