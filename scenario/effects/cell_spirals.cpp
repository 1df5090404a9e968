// Cell spirals (75, 76): the area is cut into nested frames 8 pixels thick.
// Each frame is drawn in strips along its four sides at once (the sides are
// the frame's four prepared rectangles: top and bottom across its whole
// width, left and right between them), the longest side advancing eight
// step lengths of strips per step and the others in proportion, so that a
// frame closes as one turn of a spiral.
//
// 75 runs from the border to the centre, clockwise (top left to right,
// right side downwards, bottom right to left, left side upwards); 76 from
// the centre to the border, anticlockwise.

#include <algorithm>
#include <array>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

constexpr int kThickness = 8;

enum class Run { Rightwards, Leftwards, Downwards, Upwards };

struct Side {
    Rect rect;
    Run run;
};

// The first `count` strips of `side` in its running direction.
Rect Strips(const Side& side, int count) {
    const Rect& r = side.rect;
    switch (side.run) {
        case Run::Rightwards: return {r.left, r.top, r.left + count, r.bottom};
        case Run::Leftwards: return {r.right - count, r.top, r.right, r.bottom};
        case Run::Downwards: return {r.left, r.top, r.right, r.top + count};
        case Run::Upwards: return {r.left, r.bottom - count, r.right, r.bottom};
    }
    return {};
}

int Length(const Side& side) {
    return side.run == Run::Rightwards || side.run == Run::Leftwards ? side.rect.Width() : side.rect.Height();
}

// Frame `n`'s sides: the top across its whole width, then the right, bottom
// and left sides in the order they are drawn.
std::array<Side, 4> FrameSides(int width, int height, int n, bool clockwise) {
    const int d = n * kThickness;
    const Rect outer{d, d, width - d, height - d};
    Rect inner{d + kThickness, d + kThickness, width - d - kThickness, height - d - kThickness};
    if (inner.IsEmpty()) inner = {outer.left, outer.bottom, outer.left, outer.bottom};  // the last frame is solid
    const Rect top{outer.left, outer.top, outer.right, inner.top};
    const Rect bottom{outer.left, inner.bottom, outer.right, outer.bottom};
    const Rect left{outer.left, inner.top, inner.left, inner.bottom};
    const Rect right{inner.right, inner.top, outer.right, inner.bottom};
    if (clockwise) return {{{top, Run::Rightwards}, {right, Run::Downwards}, {bottom, Run::Leftwards}, {left, Run::Upwards}}};
    return {{{top, Run::Leftwards}, {left, Run::Downwards}, {bottom, Run::Rightwards}, {right, Run::Upwards}}};
}

}  // namespace

void RunCellSpiral(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const int frames = (std::min(width, height) + 2 * kThickness - 1) / (2 * kThickness);
    const bool inwards = variant == 0;  // 75
    for (int i = 0; i < frames; ++i) {
        const std::array<Side, 4> sides = FrameSides(width, height, inwards ? i : frames - 1 - i, inwards);
        int longest = 0;
        for (const Side& side : sides) longest = std::max(longest, Length(side));
        Sweep(frame, longest, kThickness * frame.StepLength(), [&](StepPainter& painter, int before, int done) {
            for (const Side& side : sides) {
                const int length = Length(side);
                painter.PictureAround(Strips(side, Share(length, done, longest)),
                                      Strips(side, Share(length, before, longest)));
            }
        });
    }
}

}  // namespace korv::effects
