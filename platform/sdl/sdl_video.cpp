#include "platform/sdl/sdl_video.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace korv::platform {

namespace {

constexpr int kAttempts = 5;
constexpr auto kPause = std::chrono::milliseconds(100);

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

}  // namespace

bool StartSdlVideo() {
    const bool x11 = Named("DISPLAY");
    if (!x11 && !Named("WAYLAND_DISPLAY")) return false;
    // SIGTERM and SIGINT are the program's own: SDL installs no handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The driver of the named display and no other (an SDL_VIDEODRIVER set
    // in the environment still wins).
    SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
    for (int attempt = 1;; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        if (attempt == kAttempts) return false;
        std::this_thread::sleep_for(kPause);
    }
}

}  // namespace korv::platform
