// Uncovers: the old content moves out while the picture, standing still, is
// uncovered behind it.
//
// 29–32 move the whole old content out: 29 down (the picture is uncovered
// from the top), 30 up, 31 left, 32 right.
// 54, 56, 62 and 64 split the old content at the centre line: 54 pushes the
// halves apart up and down, 56 apart left and right; 62 pushes them
// together towards the horizontal centre line and 64 towards the vertical
// one, where they disappear. 62 and 64 make pauses half as long as the others.

#include <array>

#include "scenario/effects/families.h"
#include "scenario/effects/moves.h"

namespace korv::effects {

void RunUncover(EffectFrame& frame, int variant) {
    static constexpr std::array<Edge, 4> kTowards{Edge::Bottom, Edge::Top, Edge::Left, Edge::Right};  // 29–32
    const std::array<Mover, 1> whole{{{{0, 0, frame.Width(), frame.Height()}, kTowards[variant]}}};
    MoveTogether(frame, Motion::Uncover, whole);
}

void RunCentreSplit(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const Rect upper{0, 0, width, height / 2}, lower{0, height / 2, width, height};
    const Rect left{0, 0, width / 2, height}, right{width / 2, 0, width, height};
    const std::array<Mover, 2> halves[] = {
        {{{upper, Edge::Top}, {lower, Edge::Bottom}}},  // 54
        {{{left, Edge::Left}, {right, Edge::Right}}},   // 56
        {{{upper, Edge::Bottom}, {lower, Edge::Top}}},  // 62
        {{{left, Edge::Right}, {right, Edge::Left}}},   // 64
    };
    // Half as long a pause: no pause at the fastest speed, as for every effect.
    if (variant >= 2) frame.SetPauseValue((1000.0 + frame.SpeedValue()) / 2.0);  // 62, 64
    MoveTogether(frame, Motion::Uncover, halves[variant]);
}

}  // namespace korv::effects
