// Box wipes (7, 8): the picture appears in rectangular frames at its final
// place, each frame one line in from the one outside it. 7 closes from the
// border towards the centre, 8 opens from the centre towards the border.
// A step draws step-length frames.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

// The rectangle inside frame `n`: the area shrunk by n on every side.
Rect Inside(int width, int height, int n) {
    Rect inside{n, n, width - n, height - n};
    return inside.IsEmpty() ? Rect{} : inside;
}

}  // namespace

void RunBoxWipe(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const int frames = (std::min(width, height) + 1) / 2;
    const bool closing = variant == 0;  // 7
    Sweep(frame, frames, [&](StepPainter& painter, int before, int done) {
        if (closing)
            painter.PictureAround(Inside(width, height, before), Inside(width, height, done));
        else
            painter.PictureAround(Inside(width, height, frames - done), Inside(width, height, frames - before));
    });
}

}  // namespace korv::effects
