#pragma once
// What a transition effect is given to run: the picture, the part of it to
// bring in, where that part lands, the fill behind it and the speed value,
// and the step length the line-based families derive from that speed.

#include <cstdint>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace korv {

struct EffectRun {
    int effectNumber = 0;
    // The object's bitmap at its display size.
    const platform::Surface* picture = nullptr;
    // The part of the picture to bring in (already clipped to the screen):
    // the renderer's work surface is this part, over the fill colour.
    Rect area;
    // Where area's top-left corner lands on the screen.
    Point position;
    // Background of the work surface where the picture does not cover it.
    platform::Colour fill;
    // s = 1100 − effect speed: larger is slower.
    int speedValue = 1000;
};

// Pixels advanced per step by the line-based families: 2 up to effect speed
// 999, 3 from 1000 (never below 1).
//
// Every family that moves or reveals line by line advances this many lines
// per step, so a 1080-line area takes 540 steps, not 1080: slides, diagonal
// slides, pushes, uncovers, split pushes, centre splits, two-half slides,
// line and two-line wipes, multi-line wipes, staircases, comb slides, box
// wipes, blinds (lines of a pass), checkerboards (lines of a cell),
// four-corner reveals and the growing reveals (the farthest edge; the
// others in proportion). Interleaved bars draw ten step lengths of a bar
// per step (their pause comes every tenth line); cell spirals advance the
// longest side of a frame by eight step lengths of strips per step.
// Families with units of their own do not use it: dissolves (a cell per
// step), column pairs (8-pixel columns), the grid of squares of 79 (2 pixels
// a side per step), the pixel blend (32 steps) and the fades (levels paced
// by the clock).
int EffectStepLength(int speedValue);

}  // namespace korv
