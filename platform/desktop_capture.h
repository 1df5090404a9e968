#pragma once
// Reading what the screen shows.

#include <cstdint>

#include "platform/surface.h"

namespace korv::platform {

// The root window of the X display named by $DISPLAY, at its full size (all
// screens of that display). Empty when no display can be opened, the root
// window cannot be read, or it holds more than `maxPixels` pixels.
Surface CaptureRootWindow(int64_t maxPixels);

}  // namespace korv::platform
