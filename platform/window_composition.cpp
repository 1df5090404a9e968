#include "platform/window_composition.h"

#include <algorithm>
#include <cstring>

namespace korv::platform {

void Blit(Surface& target, const Surface& source, int left, int top) {
    Rect area = target.Bounds().Intersect(Rect::FromSize(left, top, source.Width(), source.Height()));
    if (area.IsEmpty()) return;
    for (int y = area.top; y < area.bottom; ++y) {
        std::memcpy(target.Row(y) + area.left, source.Row(y - top) + (area.left - left),
                    static_cast<size_t>(area.Width()) * sizeof(Pixel));
    }
    target.MarkChanged(area);
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

void ComposeDamage(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children,
                   DamageRegion& damage, Surface& frame) {
    if (frame.Width() != client.Width() || frame.Height() != client.Height()) {
        ComposeFrame(client, children, frame);
        damage.Clear();
        damage.Add(frame.Bounds());
        return;
    }
    for (const Rect& area : damage.Rects()) {
        const size_t rowBytes = static_cast<size_t>(area.Width()) * sizeof(Pixel);
        for (int y = area.top; y < area.bottom; ++y) std::memcpy(frame.Row(y) + area.left, client.Row(y) + area.left, rowBytes);
        for (const auto& child : children) {
            if (!child->visible) continue;
            const Rect part = area.Intersect(child->bounds);
            if (part.IsEmpty()) continue;
            const Surface& source = child->surface;
            const int columns = std::min(part.right, child->bounds.left + source.Width()) - part.left;
            const int bottom = std::min(part.bottom, child->bounds.top + source.Height());
            if (columns <= 0) continue;
            for (int y = part.top; y < bottom; ++y) {
                std::memcpy(frame.Row(y) + part.left,
                            source.Row(y - child->bounds.top) + (part.left - child->bounds.left),
                            static_cast<size_t>(columns) * sizeof(Pixel));
            }
        }
    }
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
