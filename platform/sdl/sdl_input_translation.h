#pragma once
// SDL's keys and mouse buttons as a window's handler hears them.

#include <SDL.h>

#include "platform/display.h"

namespace korv::platform {

// The original platform's key number for an SDL key; 0xFF (the number it
// gives keys without a code of their own) for anything else, so that every
// key press still reaches the window.
int VirtualKeyOf(const SDL_Keysym& key);

// The button of an SDL button number; false for buttons without one.
bool ButtonOf(uint8_t sdlButton, MouseButton& button);

}  // namespace korv::platform
