#pragma once
// The symbol a message box shows beside its text, drawn in software so that
// the dialog needs no icon theme: a red disc with a white bar (stop), a blue
// disc with a white "i" (information), a yellow triangle with a black "!"
// (warning).

#include "platform/geometry.h"
#include "platform/message_box.h"
#include "platform/surface.h"

namespace korv::platform {

inline constexpr int kMessageBoxIconSize = 32;

inline constexpr Colour kStopIconColour = Rgb(204, 0, 0);
inline constexpr Colour kInformationIconColour = Rgb(0, 84, 204);
inline constexpr Colour kWarningIconColour = Rgb(255, 204, 0);

// Draws the icon in the kMessageBoxIconSize square whose top-left corner is
// `at`; pixels outside its shape keep what was there.
void DrawMessageBoxIcon(Surface& surface, Point at, MessageBoxIcon icon);

}  // namespace korv::platform
