#include "platform/web_frame_drawing.h"

#include <algorithm>
#include <cstring>

namespace korv::platform {

void DrawWebFrame(const WebFrame& frame, Surface& target, Point at) {
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width) return;
    const int left = std::max(0, at.x);
    const int top = std::max(0, at.y);
    const int right = std::min(target.Width(), at.x + frame.width);
    const int bottom = std::min(target.Height(), at.y + frame.height);
    if (left >= right || top >= bottom) return;
    for (int y = top; y < bottom; ++y) {
        const uint32_t* source = frame.pixels + static_cast<size_t>(y - at.y) * frame.stride + (left - at.x);
        std::memcpy(target.Row(y) + left, source, static_cast<size_t>(right - left) * sizeof(uint32_t));
    }
    target.MarkChanged({left, top, right, bottom});
}

}  // namespace korv::platform
