// Slides: the picture moves into place over the old content.
//
// 21–24 slide in from an edge: 21 from the top, 22 from the bottom, 23 from
// the right, 24 from the left.
// 25–28 slide in diagonally from a corner: 25 the top-right, 26 the
// bottom-right, 27 the top-left, 28 the bottom-left. The longer side
// advances one step length per step, the shorter in proportion.
// 53 and 55 slide the two halves in from opposite edges to meet at the
// centre line: 53 the upper half down from the top and the lower half up
// from the bottom; 55 the left half from the left and the right half from
// the right.

#include <algorithm>
#include <array>

#include "scenario/effects/families.h"
#include "scenario/effects/moves.h"

namespace korv::effects {

void RunSlide(EffectFrame& frame, int variant) {
    static constexpr std::array<Edge, 4> kFrom{Edge::Top, Edge::Bottom, Edge::Right, Edge::Left};  // 21–24
    const std::array<Mover, 1> whole{{{{0, 0, frame.Width(), frame.Height()}, kFrom[variant]}}};
    MoveTogether(frame, Motion::Slide, whole);
}

void RunDiagonalSlide(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const bool fromRight = variant == 0 || variant == 1;   // 25, 26
    const bool fromBottom = variant == 1 || variant == 3;  // 26, 28
    const int longest = std::max(width, height);
    Sweep(frame, longest, [&](StepPainter& painter, int, int done) {
        const int a = Share(width, done, longest), b = Share(height, done, longest);
        // The a × b corner of the picture opposite the one it enters from.
        Rect part = Rect::FromSize(fromRight ? 0 : width - a, fromBottom ? 0 : height - b, a, b);
        painter.Picture(part, {fromRight ? width - a : 0, fromBottom ? height - b : 0});
    });
}

void RunTwoHalfSlide(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    std::array<Mover, 2> halves;
    if (variant == 0)  // 53
        halves = {{{{0, 0, width, height / 2}, Edge::Top}, {{0, height / 2, width, height}, Edge::Bottom}}};
    else
        halves = {{{{0, 0, width / 2, height}, Edge::Left}, {{width / 2, 0, width, height}, Edge::Right}}};
    MoveTogether(frame, Motion::Slide, halves);
}

}  // namespace korv::effects
