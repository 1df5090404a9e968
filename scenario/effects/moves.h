#pragma once
// Content moving across a region of the area, the mechanics shared by the
// slides, pushes, uncovers, split pushes, two-half slides, centre splits and
// the comb and bar effects:
//
//   Slide    the picture's part of the region slides in from `edge`;
//   Push     the same, with the old content of the region moving ahead of it
//            and out through the opposite edge;
//   Uncover  the old content moves out through `edge` and uncovers the
//            picture, which stays in place.

#include <span>

#include "scenario/effects/effect_frame.h"

namespace korv::effects {

enum class Edge { Top, Bottom, Left, Right };
enum class Motion { Slide, Push, Uncover };

// How far content travels across `region` from or towards `edge`.
int Travel(Rect region, Edge edge);

// One position of a move: `done` lines travelled, `before` at the previous
// step (only Uncover draws just the difference; the others redraw what moves).
void DrawMove(StepPainter& painter, Motion motion, Rect region, Edge edge, int before, int done);

struct Mover {
    Rect region;
    Edge edge;
};

// Moves every region together: the longest travel advances one step length
// per step and the others in proportion, so that all arrive together.
void MoveTogether(EffectFrame& frame, Motion motion, std::span<const Mover> movers);

}  // namespace korv::effects
