#pragma once
// An effect's copies waiting to be drawn. Steps come far faster than the
// screen shows frames, so while the screen has not yet shown what was drawn
// the next steps' copies wait here, and a step that covers a whole
// rectangle drops the waiting copies it would overwrite anyway (a push or a
// slide draws the whole area at every step). Drawing what waits gives the
// screen exactly what drawing every step would have.

#include <cstddef>
#include <vector>

#include "platform/painter.h"

namespace korv::effects {

class CopyQueue {
public:
    using CopyRequest = platform::Painter::CopyRequest;

    void Add(const CopyRequest& copy) { copies_.push_back(copy); }
    // Closes the step whose copies were added since the last call. When
    // they tile the rectangle around them (as `painter` would draw them),
    // the earlier copies inside that rectangle are dropped.
    void EndStep(const platform::Painter& painter);
    // Draws everything waiting with `painter`, in order, and empties.
    void DrawWith(platform::Painter& painter);
    bool Empty() const { return copies_.empty(); }
    size_t Size() const { return copies_.size(); }

private:
    std::vector<CopyRequest> copies_;
    size_t stepStart_ = 0;
};

// Whether `rects` (none empty) lie side by side without overlapping and
// together fill the rectangle around them; `bounds` receives that
// rectangle. Up to a few thousand rectangles are looked at; more count as
// not filling.
bool TileTheirBounds(std::vector<Rect>& rects, Rect& bounds);

}  // namespace korv::effects
