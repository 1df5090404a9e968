// Interleaved bars (67–70): the area is cut into bars 8 pixels thick,
// handled one after another; alternate bars are drawn in opposite
// directions. The catalogue pauses after every tenth line, so a step here
// draws ten step lengths of a bar.
//
// 67 columns from the left, the even ones from their top down and the odd
// ones from their bottom up; 68 the same from the right. 69 rows from the
// top, the even ones from their left end and the odd ones from their right
// end; 70 the same from the bottom.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

void RunInterleavedBars(EffectFrame& frame, int variant) {
    constexpr int kBar = 8;
    constexpr int kLinesPerPause = 10;
    const int width = frame.Width(), height = frame.Height();
    const bool columns = variant == 0 || variant == 1;      // 67, 68
    const bool fromFarEdge = variant == 1 || variant == 3;  // 68, 70
    const int across = columns ? width : height;  // the extent cut into bars
    const int along = columns ? height : width;   // the length of a bar
    for (int bar = 0; bar * kBar < across; ++bar) {
        const int nearEdge = bar * kBar, farEdge = std::min(nearEdge + kBar, across);
        const int low = fromFarEdge ? across - farEdge : nearEdge, high = fromFarEdge ? across - nearEdge : farEdge;
        const bool forwards = bar % 2 == 0;
        Sweep(frame, along, kLinesPerPause * frame.StepLength(), [&](StepPainter& painter, int before, int done) {
            const int from = forwards ? before : along - done, to = forwards ? done : along - before;
            painter.Picture(columns ? Rect{low, from, high, to} : Rect{from, low, to, high});
        });
    }
}

}  // namespace korv::effects
