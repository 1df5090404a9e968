#include "shell/system_metrics.h"

#include "platform/screen_metrics.h"

namespace korv {

int GetOsVersionCode() { return 0; }

Size GetScreenSize() {
    Rect primary = platform::PrimaryScreenBounds();
    return {primary.Width(), primary.Height()};
}

Rect GetVirtualScreenRect() {
    if (platform::MonitorCount() > 0) {
        return platform::VirtualScreenBounds();
    }
    Size primary = GetScreenSize();
    return {0, 0, primary.width, primary.height};
}

}  // namespace korv
