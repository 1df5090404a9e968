#include "scenario/effects/moves.h"

#include <algorithm>

namespace korv::effects {

int Travel(Rect region, Edge edge) {
    return edge == Edge::Top || edge == Edge::Bottom ? region.Height() : region.Width();
}

namespace {

// The picture slides in from `edge`, `d` lines in.
void SlideIn(StepPainter& p, const Rect& r, Edge edge, int d) {
    switch (edge) {
        case Edge::Top: p.Picture({r.left, r.bottom - d, r.right, r.bottom}, {r.left, r.top}); break;
        case Edge::Bottom: p.Picture({r.left, r.top, r.right, r.top + d}, {r.left, r.bottom - d}); break;
        case Edge::Left: p.Picture({r.right - d, r.top, r.right, r.bottom}, {r.left, r.top}); break;
        case Edge::Right: p.Picture({r.left, r.top, r.left + d, r.bottom}, {r.right - d, r.top}); break;
    }
}

// The old content, moved `d` lines away from `edge` (what is left of it in
// the region).
void OldMovedAwayFrom(StepPainter& p, const Rect& r, Edge edge, int d) {
    switch (edge) {
        case Edge::Top: p.Old({r.left, r.top, r.right, r.bottom - d}, {r.left, r.top + d}); break;
        case Edge::Bottom: p.Old({r.left, r.top + d, r.right, r.bottom}, {r.left, r.top}); break;
        case Edge::Left: p.Old({r.left, r.top, r.right - d, r.bottom}, {r.left + d, r.top}); break;
        case Edge::Right: p.Old({r.left + d, r.top, r.right, r.bottom}, {r.left, r.top}); break;
    }
}

// The old content leaves through `edge`: it is drawn moved `d` lines
// towards it, and the picture lines uncovered since `before` are drawn in
// place along the opposite edge.
void UncoverTowards(StepPainter& p, const Rect& r, Edge edge, int before, int d) {
    switch (edge) {
        case Edge::Top:
            OldMovedAwayFrom(p, r, Edge::Bottom, d);
            p.Picture({r.left, r.bottom - d, r.right, r.bottom - before});
            break;
        case Edge::Bottom:
            OldMovedAwayFrom(p, r, Edge::Top, d);
            p.Picture({r.left, r.top + before, r.right, r.top + d});
            break;
        case Edge::Left:
            OldMovedAwayFrom(p, r, Edge::Right, d);
            p.Picture({r.right - d, r.top, r.right - before, r.bottom});
            break;
        case Edge::Right:
            OldMovedAwayFrom(p, r, Edge::Left, d);
            p.Picture({r.left + before, r.top, r.left + d, r.bottom});
            break;
    }
}

}  // namespace

void DrawMove(StepPainter& painter, Motion motion, Rect region, Edge edge, int before, int done) {
    if (region.IsEmpty()) return;
    switch (motion) {
        case Motion::Slide: SlideIn(painter, region, edge, done); break;
        case Motion::Push:
            OldMovedAwayFrom(painter, region, edge, done);
            SlideIn(painter, region, edge, done);
            break;
        case Motion::Uncover: UncoverTowards(painter, region, edge, before, done); break;
    }
}

void MoveTogether(EffectFrame& frame, Motion motion, std::span<const Mover> movers) {
    if (motion != Motion::Slide) frame.KeepOldContent();
    int longest = 0;
    for (const Mover& m : movers)
        if (!m.region.IsEmpty()) longest = std::max(longest, Travel(m.region, m.edge));
    Sweep(frame, longest, [&](StepPainter& painter, int before, int done) {
        for (const Mover& m : movers) {
            int travel = Travel(m.region, m.edge);
            DrawMove(painter, motion, m.region, m.edge, Share(travel, before, longest), Share(travel, done, longest));
        }
    });
}

}  // namespace korv::effects
