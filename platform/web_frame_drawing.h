#pragma once
// Drawing a browser view's picture into a surface.

#include "platform/surface.h"
#include "platform/web_engine.h"

namespace korv::platform {

// Copies `frame` to `target` with its top left at `at`, clipped to the
// target, and marks the target changed.
void DrawWebFrame(const WebFrame& frame, Surface& target, Point at = {0, 0});

}  // namespace korv::platform
