// Multi-line wipes (60, 61, 63), at the picture's final place.
//
// 60: bands 8 pixels high wiped across all at once, the even bands from the
// left and the odd ones from the right, step-length columns per step.
// 61 and 63: a front of rows and a front of columns at the same time, the
// longer side advancing one step length per step and the shorter in
// proportion; 61 from the top and left edges, 63 from the bottom and right.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

void RunMultiLineWipe(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    if (variant == 0) {  // 60
        constexpr int kBand = 8;
        Sweep(frame, width, [&](StepPainter& painter, int before, int done) {
            for (int band = 0, top = 0; top < height; ++band, top += kBand) {
                const int bottom = std::min(top + kBand, height);
                painter.Picture(band % 2 == 0 ? Rect{before, top, done, bottom}
                                              : Rect{width - done, top, width - before, bottom});
            }
        });
        return;
    }
    const bool fromTopLeft = variant == 1;  // 61
    const int longest = std::max(width, height);
    Sweep(frame, longest, [&](StepPainter& painter, int before, int done) {
        const int rowsBefore = Share(height, before, longest), rows = Share(height, done, longest);
        const int columnsBefore = Share(width, before, longest), columns = Share(width, done, longest);
        if (fromTopLeft) {
            painter.Picture({0, rowsBefore, width, rows});
            painter.Picture({columnsBefore, 0, columns, height});
        } else {
            painter.Picture({0, height - rows, width, height - rowsBefore});
            painter.Picture({width - columns, 0, width - columnsBefore, height});
        }
    });
}

}  // namespace korv::effects
