#include "shell/system_metrics.h"

#include "platform/screen_metrics.h"

namespace korv {

int GetOsVersionCode() { return 0; }

Size GetScreenSize() {
    platform::ScreenBounds primary = platform::PrimaryScreenBounds();
    return {primary.width, primary.height};
}

Rect GetVirtualScreenRect() {
    if (platform::MonitorCount() > 0) {
        platform::ScreenBounds all = platform::VirtualScreenBounds();
        return {all.x, all.y, all.x + all.width, all.y + all.height};
    }
    Size primary = GetScreenSize();
    return {0, 0, primary.width, primary.height};
}

}  // namespace korv
