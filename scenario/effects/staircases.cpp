// Staircase wipes (57–59): bands 8 pixels high, each revealed column by
// column at its final place and lagging 8 columns behind its neighbour, so
// the front is a diagonal staircase. 57 from the right edge with the top
// band leading, 58 from the right edge with the bottom band leading, 59 from
// the left edge with the top band leading. Step-length columns per step.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

void RunStaircase(EffectFrame& frame, int variant) {
    constexpr int kBand = 8;
    constexpr int kLag = 8;
    const int width = frame.Width(), height = frame.Height();
    const int bands = (height + kBand - 1) / kBand;
    const bool fromRight = variant != 2;    // 57, 58
    const bool bottomLeads = variant == 1;  // 58
    Sweep(frame, width + kLag * (bands - 1), [&](StepPainter& painter, int before, int done) {
        for (int band = 0; band < bands; ++band) {
            const int lag = kLag * (bottomLeads ? bands - 1 - band : band);
            const int from = std::clamp(before - lag, 0, width), to = std::clamp(done - lag, 0, width);
            if (from == to) continue;
            const int top = band * kBand, bottom = std::min(top + kBand, height);
            painter.Picture(fromRight ? Rect{width - to, top, width - from, bottom} : Rect{from, top, to, bottom});
        }
    });
}

}  // namespace korv::effects
