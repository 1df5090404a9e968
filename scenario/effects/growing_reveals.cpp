// Growing reveals: the picture appears at its final place in shapes that
// grow until they cover the area, every edge moving in proportion to the
// way it has to go (the farthest one step length per step).
//
// 77 a rectangle from a 3 × 11 block at the centre; 78 a rectangle from the
// top-left corner; 79 a grid of 32-pixel squares, each growing from its
// centre by 2 pixels a side per step; 80 a cross, a horizontal and a
// vertical band widening from the centre lines; 81 four rectangles from the
// corners, meeting at the centre; 84 an ellipse from the centre; 85 a
// diamond from the centre; 87 the picture closing in from all four edges
// at once towards the centre point.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>
#include <vector>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

struct Growth {
    Rect from, to;  // `from` lies within `to`
};

Rect Between(const Growth& g, int progress, int full) {
    return {g.from.left + Share(g.to.left - g.from.left, progress, full),
            g.from.top + Share(g.to.top - g.from.top, progress, full),
            g.from.right + Share(g.to.right - g.from.right, progress, full),
            g.from.bottom + Share(g.to.bottom - g.from.bottom, progress, full)};
}

int Distance(const Growth& g) {
    return std::max({std::abs(g.to.left - g.from.left), std::abs(g.to.top - g.from.top),
                     std::abs(g.to.right - g.from.right), std::abs(g.to.bottom - g.from.bottom)});
}

// Grows every rectangle together, drawing what each adds per step. The
// rectangles' starting contents are not drawn.
void Grow(EffectFrame& frame, std::span<const Growth> growths) {
    int full = 0;
    for (const Growth& g : growths) full = std::max(full, Distance(g));
    Sweep(frame, full, [&](StepPainter& painter, int before, int done) {
        for (const Growth& g : growths) painter.PictureAround(Between(g, done, full), Between(g, before, full));
    });
}

// 87: the part not yet shown shrinks from the whole area to its centre.
void CloseIn(EffectFrame& frame) {
    const int width = frame.Width(), height = frame.Height();
    const Growth hole{{width / 2, height / 2, width / 2, height / 2}, {0, 0, width, height}};
    const int full = Distance(hole);
    Sweep(frame, full, [&](StepPainter& painter, int before, int done) {
        Rect now = Between(hole, full - done, full);
        painter.PictureAround(Between(hole, full - before, full), now.IsEmpty() ? Rect{} : now);
    });
}

// 79: squares growing from the centres of a 32-pixel grid.
void GrowSquares(EffectFrame& frame) {
    constexpr int kPitch = 32;
    const int width = frame.Width(), height = frame.Height();
    for (int half = 1; half <= kPitch / 2; ++half) {
        frame.Step([&](StepPainter& painter) {
            for (int y = 0; y < height; y += kPitch)
                for (int x = 0; x < width; x += kPitch) {
                    const Rect cell{x, y, std::min(x + kPitch, width), std::min(y + kPitch, height)};
                    const int cx = x + kPitch / 2, cy = y + kPitch / 2;
                    const Rect square = Rect{cx - half, cy - half, cx + half, cy + half}.Intersect(cell);
                    const Rect smaller =
                        Rect{cx - half + 1, cy - half + 1, cx + half - 1, cy + half - 1}.Intersect(cell);
                    painter.PictureAround(square, smaller);
                }
        });
    }
}

// 84 and 85: a shape centred in the area, grown row by row. `halfSpan(u, t)`
// gives half the shape's width on the row at `u` (−1 to 1 from top to
// bottom) at size `t`, in halves of the area's width (negative: the row is
// not reached yet); at t = `reach` the shape covers the area.
void GrowShape(EffectFrame& frame, double reach, double (*halfSpan)(double u, double t)) {
    const int width = frame.Width(), height = frame.Height();
    const double halfWidth = width / 2.0, halfHeight = height / 2.0;
    const int full = static_cast<int>(std::ceil(reach * std::max(halfWidth, halfHeight)));
    // Each row's shown span [left, right); empty while left ≥ right.
    std::vector<int> left(static_cast<size_t>(height), width), right(static_cast<size_t>(height), 0);
    Sweep(frame, full, [&](StepPainter& painter, int, int done) {
        const double t = reach * done / full;
        for (int y = 0; y < height; ++y) {
            int from = 0, to = width;
            if (done < full) {
                const double span = halfSpan((y + 0.5 - halfHeight) / halfHeight, t);
                if (span <= 0) continue;
                from = std::max(0, static_cast<int>(std::floor(halfWidth - span * halfWidth)));
                to = std::min(width, static_cast<int>(std::ceil(halfWidth + span * halfWidth)));
            }
            int& shownLeft = left[static_cast<size_t>(y)];
            int& shownRight = right[static_cast<size_t>(y)];
            if (shownLeft >= shownRight) {
                painter.Picture({from, y, to, y + 1});
                shownLeft = from;
                shownRight = to;
                continue;
            }
            if (from < shownLeft) painter.Picture({from, y, shownLeft, y + 1});
            if (to > shownRight) painter.Picture({shownRight, y, to, y + 1});
            shownLeft = std::min(shownLeft, from);
            shownRight = std::max(shownRight, to);
        }
    });
}

double EllipseSpan(double u, double t) { return t > std::abs(u) ? std::sqrt(t * t - u * u) : -1.0; }
double DiamondSpan(double u, double t) { return t - std::abs(u); }

// 77: a 3 × 11 block at the centre at once, then a rectangle growing from it.
void GrowFromCentreBlock(EffectFrame& frame) {
    const int cx = frame.Width() / 2, cy = frame.Height() / 2;
    const Rect all{0, 0, frame.Width(), frame.Height()};
    const Rect block = Rect{cx - 1, cy - 5, cx + 2, cy + 6}.Intersect(all);
    frame.Step([&](StepPainter& painter) { painter.Picture(block); });
    const Growth growth[] = {{block, all}};
    Grow(frame, growth);
}

// 78: a rectangle from the top-left corner.
void GrowFromTopLeft(EffectFrame& frame) {
    const Growth growth[] = {{{0, 0, 0, 0}, {0, 0, frame.Width(), frame.Height()}}};
    Grow(frame, growth);
}

// 80: a horizontal and a vertical band widening from the centre lines.
void GrowCross(EffectFrame& frame) {
    const int width = frame.Width(), height = frame.Height();
    const int cx = width / 2, cy = height / 2;
    const Rect all{0, 0, width, height};
    const Growth growths[] = {{{0, cy, width, cy}, all}, {{cx, 0, cx, height}, all}};
    Grow(frame, growths);
}

// 81: four rectangles from the corners, meeting at the centre.
void GrowFromCorners(EffectFrame& frame) {
    const int width = frame.Width(), height = frame.Height();
    const int cx = width / 2, cy = height / 2;
    const Growth growths[] = {{{0, 0, 0, 0}, {0, 0, cx, cy}},
                              {{width, 0, width, 0}, {cx, 0, width, cy}},
                              {{0, height, 0, height}, {0, cy, cx, height}},
                              {{width, height, width, height}, {cx, cy, width, height}}};
    Grow(frame, growths);
}

// 84 and 85: an ellipse and a diamond from the centre.
void GrowEllipse(EffectFrame& frame) { GrowShape(frame, std::sqrt(2.0), EllipseSpan); }
void GrowDiamond(EffectFrame& frame) { GrowShape(frame, 2.0, DiamondSpan); }

// The variants in order: 77, 78, 79, 80, 81, 84, 85, 87.
constexpr void (*kReveals[])(EffectFrame&) = {
    GrowFromCentreBlock, GrowFromTopLeft, GrowSquares, GrowCross, GrowFromCorners, GrowEllipse, GrowDiamond, CloseIn,
};

}  // namespace

void RunGrowingReveal(EffectFrame& frame, int variant) { kReveals[variant](frame); }

}  // namespace korv::effects
