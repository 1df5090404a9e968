// Screen sizes through SDL's video subsystem. Without a display (no X11 or
// Wayland display named in the environment) SDL is not touched and a fixed
// headless screen is reported.

#include "platform/screen_metrics.h"

#include <SDL.h>

#include "platform/sdl/sdl_video.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace korv::platform {

namespace {

constexpr int kHeadlessWidth = 1024;
constexpr int kHeadlessHeight = 768;

struct Screens {
    Rect primary;
    Rect virtualScreen;
    int monitorCount = 0;
};

std::mutex gMutex;
std::optional<Size> gHeadlessOverride;  // guarded by gMutex
bool gVideoTried = false;                // guarded by gMutex
bool gVideoReady = false;                // guarded by gMutex

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && x11[0] != '\0') || (wayland && wayland[0] != '\0');
}

Screens OneScreen(int width, int height) {
    Screens screens;
    screens.primary = Rect{0, 0, width, height};
    screens.virtualScreen = screens.primary;
    screens.monitorCount = 1;
    return screens;
}

// Caller holds gMutex.
bool VideoReady() {
    if (!gVideoTried) {
        gVideoTried = true;
        gVideoReady = HasDisplay() && StartSdlVideo();
    }
    return gVideoReady;
}

Screens CurrentScreens() {
    std::lock_guard lock(gMutex);
    if (gHeadlessOverride) return OneScreen(gHeadlessOverride->width, gHeadlessOverride->height);
    if (!VideoReady()) return OneScreen(kHeadlessWidth, kHeadlessHeight);

    int count = SDL_GetNumVideoDisplays();
    SDL_Rect first;
    if (count < 1 || SDL_GetDisplayBounds(0, &first) != 0 || first.w <= 0 || first.h <= 0)
        return OneScreen(kHeadlessWidth, kHeadlessHeight);

    Screens screens;
    screens.primary = Rect::FromSize(first.x, first.y, first.w, first.h);
    int left = first.x, top = first.y, right = first.x + first.w, bottom = first.y + first.h;
    for (int index = 1; index < count; ++index) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(index, &bounds) != 0) continue;
        left = std::min(left, bounds.x);
        top = std::min(top, bounds.y);
        right = std::max(right, bounds.x + bounds.w);
        bottom = std::max(bottom, bounds.y + bounds.h);
    }
    screens.virtualScreen = Rect{left, top, right, bottom};
    screens.monitorCount = count;
    return screens;
}

}  // namespace

Rect PrimaryScreenBounds() { return CurrentScreens().primary; }

Rect VirtualScreenBounds() { return CurrentScreens().virtualScreen; }

int MonitorCount() { return CurrentScreens().monitorCount; }

void SetHeadlessScreen(int width, int height) {
    std::lock_guard lock(gMutex);
    gHeadlessOverride = Size{std::max(width, 1), std::max(height, 1)};
}

void ClearHeadlessScreen() {
    std::lock_guard lock(gMutex);
    gHeadlessOverride.reset();
}

}  // namespace korv::platform
