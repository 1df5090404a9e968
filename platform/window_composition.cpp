#include "platform/window_composition.h"

#include <cstring>

namespace korv::platform {

void Blit(Surface& target, const Surface& source, int left, int top) {
    Rect area = target.Bounds().Intersect(Rect::FromSize(left, top, source.Width(), source.Height()));
    if (area.IsEmpty()) return;
    for (int y = area.top; y < area.bottom; ++y) {
        std::memcpy(target.Row(y) + area.left, source.Row(y - top) + (area.left - left),
                    static_cast<size_t>(area.Width()) * sizeof(Pixel));
    }
}

void ComposeFrame(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Surface& frame) {
    if (frame.Width() != client.Width() || frame.Height() != client.Height()) {
        frame = client;
    } else if (!client.Empty()) {
        std::memcpy(frame.Row(0), client.Row(0), client.Pixels().size_bytes());
    }
    for (const auto& child : children)
        if (child->visible) Blit(frame, child->surface, child->bounds.left, child->bounds.top);
}

WindowHandler* ChildHandlerAt(const std::vector<std::shared_ptr<ChildState>>& children, Point& client) {
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        const ChildState& c = **child;
        if (c.visible && c.handler && c.bounds.Contains(client.x, client.y)) {
            client = {client.x - c.bounds.left, client.y - c.bounds.top};
            return c.handler;
        }
    }
    return nullptr;
}

}  // namespace korv::platform
