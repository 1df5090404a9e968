#pragma once
// Starting SDL's video subsystem on the display the environment names.

namespace korv::platform {

// Starts (or, when running, holds once more) SDL's video subsystem on the
// X11 display of $DISPLAY, or on Wayland when only $WAYLAND_DISPLAY is set.
// SDL would otherwise fall back to its invisible "offscreen" driver when the
// display does not answer at once (a busy X server at the start of a saver),
// and the saver would run without ever showing its window: the named display
// is retried for a short while instead. False when it cannot be reached.
// Each success is ended with SDL_QuitSubSystem(SDL_INIT_VIDEO).
bool StartSdlVideo();

}  // namespace korv::platform
