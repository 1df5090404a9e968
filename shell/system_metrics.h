#pragma once
// The operating system's version and the screens.

#include "platform/geometry.h"

namespace korv {

// The system family code the saver's scripts test: 1 Windows 95, 2 later
// 9x systems, 3 NT 4 and older, 4 Windows 2000, 5 Windows XP and other 5.x;
// 0 for everything else, which includes Linux.
int GetOsVersionCode();

// Width and height of the primary screen.
Size GetScreenSize();

// The rectangle of all screens together: left, top, left + width,
// top + height; (0, 0, primary width, primary height) when the number of
// monitors is unknown.
Rect GetVirtualScreenRect();

}  // namespace korv
