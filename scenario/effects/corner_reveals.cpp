// Four-corner reveals (9, 10). The area is cut into quarters at its centre;
// the longer quarter side advances one step length per step and the shorter
// in proportion, so all four quarters finish together.
//
// 9: each quarter of the picture slides in from its own corner of the area,
// the edges at the picture's centre first, until the quarters meet in the
// middle. 10: the old content's quarters slide out through their corners,
// uncovering the picture in place from the centre outwards.

#include <algorithm>
#include <array>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

struct Quarter {
    Rect rect;
    bool right;   // lies at the area's right edge
    bool bottom;  // lies at the area's bottom edge
};

// `a` × `b` lines of the quarter's content nearest the area's centre, drawn
// into the quarter's outer corner.
void SlideQuarterIn(StepPainter& painter, const Quarter& q, int a, int b) {
    const Rect& r = q.rect;
    Rect part{q.right ? r.left : r.right - a, q.bottom ? r.top : r.bottom - b, 0, 0};
    part.right = part.left + a;
    part.bottom = part.top + b;
    painter.Picture(part, {q.right ? r.right - a : r.left, q.bottom ? r.bottom - b : r.top});
}

// What is left of the old quarter once it has moved `a` × `b` lines out
// through its outer corner: the part of the quarter it still covers.
Rect OldQuarterLeft(const Quarter& q, int a, int b) {
    const Rect& r = q.rect;
    Rect left{q.right ? r.left + a : r.left, q.bottom ? r.top + b : r.top, q.right ? r.right : r.right - a,
              q.bottom ? r.bottom : r.bottom - b};
    return left.IsEmpty() ? Rect{} : left;
}

// The old quarter moved `a` × `b` lines out, and the picture it uncovered
// since it had moved `beforeA` × `beforeB`.
void SlideOldQuarterOut(StepPainter& painter, const Quarter& q, int a, int b, int beforeA, int beforeB) {
    const Rect& r = q.rect;
    Rect covered = OldQuarterLeft(q, a, b);
    if (!covered.IsEmpty()) {
        // The old content moved by (±a, ±b): the part still inside.
        Rect from{q.right ? r.left : r.left + a, q.bottom ? r.top : r.top + b, q.right ? r.right - a : r.right,
                  q.bottom ? r.bottom - b : r.bottom};
        painter.Old(from, {covered.left, covered.top});
    }
    painter.PictureAround(OldQuarterLeft(q, beforeA, beforeB), covered);
}

}  // namespace

void RunCornerReveal(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const int midX = width / 2, midY = height / 2;
    const std::array<Quarter, 4> quarters{{
        {{0, 0, midX, midY}, false, false},
        {{midX, 0, width, midY}, true, false},
        {{0, midY, midX, height}, false, true},
        {{midX, midY, width, height}, true, true},
    }};
    const int longest = std::max(width - midX, height - midY);
    const bool slideIn = variant == 0;  // 9
    if (!slideIn) frame.KeepOldContent();
    Sweep(frame, longest, [&](StepPainter& painter, int before, int done) {
        for (const Quarter& q : quarters) {
            int a = Share(q.rect.Width(), done, longest), b = Share(q.rect.Height(), done, longest);
            if (slideIn) {
                SlideQuarterIn(painter, q, a, b);
            } else {
                SlideOldQuarterOut(painter, q, a, b, Share(q.rect.Width(), before, longest),
                                   Share(q.rect.Height(), before, longest));
            }
        }
    });
}

}  // namespace korv::effects
