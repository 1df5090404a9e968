// Pushes: the picture slides in and pushes the old content out ahead of it.
//
// 41–44 push across the whole area: 41 from the top, 42 from the bottom,
// 43 from the right, 44 from the left.
// Split pushes cut the area into two halves that move in opposite
// directions, each in proportion to its own size:
//   33 left half from the top, right half from the bottom; 34 the reverse;
//   35 upper half from the left, lower half from the right; 36 the reverse;
//   45 left and right halves from the side edges towards the centre line;
//   46 upper and lower halves from the top and bottom edges to the centre;
//   47 and 48 the same outwards from the centre line.
// Bar pushes (71–74) push in bars 8 pixels thick, alternate bars in
// opposite directions: 71 columns, the even ones from the top and the odd
// ones from the bottom; 72 the reverse; 73 rows, even from the left and odd
// from the right; 74 the reverse.

#include <algorithm>
#include <array>
#include <vector>

#include "scenario/effects/families.h"
#include "scenario/effects/moves.h"

namespace korv::effects {

void RunPush(EffectFrame& frame, int variant) {
    static constexpr std::array<Edge, 4> kFrom{Edge::Top, Edge::Bottom, Edge::Right, Edge::Left};  // 41–44
    const std::array<Mover, 1> whole{{{{0, 0, frame.Width(), frame.Height()}, kFrom[variant]}}};
    MoveTogether(frame, Motion::Push, whole);
}

void RunSplitPush(EffectFrame& frame, int variant) {
    struct Split {
        bool sideBySide;  // left and right halves, else upper and lower
        Edge first, second;
    };
    static constexpr Split kSplits[] = {
        {true, Edge::Top, Edge::Bottom},   // 33
        {true, Edge::Bottom, Edge::Top},   // 34
        {false, Edge::Left, Edge::Right},  // 35
        {false, Edge::Right, Edge::Left},  // 36
        {true, Edge::Left, Edge::Right},   // 45
        {false, Edge::Top, Edge::Bottom},  // 46
        {true, Edge::Right, Edge::Left},   // 47
        {false, Edge::Bottom, Edge::Top},  // 48
    };
    const Split split = kSplits[variant];
    const int width = frame.Width(), height = frame.Height();
    std::array<Mover, 2> halves;
    if (split.sideBySide)
        halves = {{{{0, 0, width / 2, height}, split.first}, {{width / 2, 0, width, height}, split.second}}};
    else
        halves = {{{{0, 0, width, height / 2}, split.first}, {{0, height / 2, width, height}, split.second}}};
    MoveTogether(frame, Motion::Push, halves);
}

void RunBarPush(EffectFrame& frame, int variant) {
    constexpr int kBar = 8;
    const int width = frame.Width(), height = frame.Height();
    const bool columns = variant == 0 || variant == 1;       // 71, 72
    const bool evenFirstWay = variant == 0 || variant == 2;  // 71, 73
    std::vector<Mover> bars;
    for (int bar = 0, at = 0; at < (columns ? width : height); ++bar, at += kBar) {
        const bool firstWay = (bar % 2 == 0) == evenFirstWay;
        if (columns)
            bars.push_back({{at, 0, std::min(at + kBar, width), height}, firstWay ? Edge::Top : Edge::Bottom});
        else
            bars.push_back({{0, at, width, std::min(at + kBar, height)}, firstWay ? Edge::Left : Edge::Right});
    }
    MoveTogether(frame, Motion::Push, bars);
}

}  // namespace korv::effects
