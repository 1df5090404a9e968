// Blinds (11, 12): sixteen passes; pass n draws every sixteenth line
// starting at line n, step-length lines per step. 11 works in rows, 12 in
// columns.

#include "scenario/effects/families.h"

namespace korv::effects {

void RunBlinds(EffectFrame& frame, int variant) {
    constexpr int kPasses = 16;
    const int width = frame.Width(), height = frame.Height();
    const bool rows = variant == 0;  // 11
    const int lines = rows ? height : width;
    for (int pass = 0; pass < kPasses && pass < lines; ++pass) {
        int count = (lines - pass + kPasses - 1) / kPasses;
        Sweep(frame, count, [&](StepPainter& painter, int before, int done) {
            for (int i = before; i < done; ++i) {
                int line = pass + kPasses * i;
                painter.Picture(rows ? Rect{0, line, width, line + 1} : Rect{line, 0, line + 1, height});
            }
        });
    }
}

}  // namespace korv::effects
