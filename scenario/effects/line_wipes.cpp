// Line wipes: the picture appears line by line at its final place,
// step-length lines per step.
//
// 37–40 one front: 37 rows from the top down, 38 rows from the bottom up,
// 39 columns from the right, 40 columns from the left.
// 49–52 two fronts: 49 rows from the top and the bottom closing towards the
// middle, 50 rows opening from the horizontal centre line towards the top
// and the bottom; 51 and 52 the same with columns.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

// Lines [from, to) across the area: rows or columns.
Rect Lines(bool rows, int from, int to, int width, int height) {
    return rows ? Rect{0, from, width, to} : Rect{from, 0, to, height};
}

}  // namespace

void RunLineWipe(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const bool rows = variant == 0 || variant == 1;         // 37, 38
    const bool fromFarEdge = variant == 1 || variant == 2;  // 38, 39
    const int lines = rows ? height : width;
    Sweep(frame, lines, [&](StepPainter& painter, int before, int done) {
        painter.Picture(fromFarEdge ? Lines(rows, lines - done, lines - before, width, height)
                                    : Lines(rows, before, done, width, height));
    });
}

void RunTwoLineWipe(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const bool rows = variant == 0 || variant == 1;     // 49, 50
    const bool closing = variant == 0 || variant == 2;  // 49, 51
    const int lines = rows ? height : width;
    if (closing) {
        Sweep(frame, (lines + 1) / 2, [&](StepPainter& painter, int before, int done) {
            painter.Picture(Lines(rows, before, done, width, height));
            painter.Picture(Lines(rows, lines - done, lines - before, width, height));
        });
    } else {
        const int centre = lines / 2;
        Sweep(frame, lines - centre, [&](StepPainter& painter, int before, int done) {
            painter.Picture(Lines(rows, centre - std::min(done, centre), centre - std::min(before, centre), width, height));
            painter.Picture(Lines(rows, centre + before, centre + done, width, height));
        });
    }
}

}  // namespace korv::effects
