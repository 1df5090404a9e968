#pragma once
// The size of the screens.

#include "platform/geometry.h"

namespace korv::platform {

// All positions are in the desktop's coordinates, the ones windows are
// placed in.

// The primary screen.
Rect PrimaryScreenBounds();

// The smallest rectangle that holds every screen.
Rect VirtualScreenBounds();

// How many screens there are; 0 when the system does not say.
int MonitorCount();

// Without a display (and in tests) the screen is one monitor of this size,
// 1024 x 768 unless set here. While set, it replaces the real screens too.
void SetHeadlessScreen(int width, int height);
void ClearHeadlessScreen();

}  // namespace korv::platform
