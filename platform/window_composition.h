#pragma once
// What both display backends share: the child surfaces of a window and how
// a window's frame is composed from its client surface and its visible
// children, bottom to top.

#include <memory>
#include <vector>

#include "platform/display.h"
#include "platform/surface.h"

namespace korv::platform {

struct ChildState {
    Rect bounds;  // in the parent's client coordinates
    bool visible = true;
    Surface surface;
    WindowHandler* handler = nullptr;
};

// Copies `source` into `target` with its top left corner at (left, top),
// clipped to the target.
void Blit(Surface& target, const Surface& source, int left, int top);

// Makes `frame` the client surface with the visible children drawn above it
// (reusing `frame`'s pixels when the size is unchanged).
void ComposeFrame(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Surface& frame);

}  // namespace korv::platform
