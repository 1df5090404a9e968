#include "platform/window_composition.h"

#include <cstring>

namespace korv::platform {

namespace {

// Copies what of `source`, placed with its top left corner at (left, top),
// lies within `within` and the target; returns the rectangle copied.
Rect CopyPart(Surface& target, const Surface& source, int left, int top, Rect within) {
    const Rect area = within.Intersect(target.Bounds()).Intersect(Rect::FromSize(left, top, source.Width(), source.Height()));
    if (area.IsEmpty()) return {};
    const size_t rowBytes = static_cast<size_t>(area.Width()) * sizeof(Pixel);
    for (int y = area.top; y < area.bottom; ++y)
        std::memcpy(target.Row(y) + area.left, source.Row(y - top) + (area.left - left), rowBytes);
    return area;
}

// Composes `area` of the frame: the client surface, then the visible
// children over it, bottom to top.
void ComposeArea(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Rect area,
                 Surface& frame) {
    CopyPart(frame, client, 0, 0, area);
    for (const auto& child : children)
        if (child->visible)
            CopyPart(frame, child->surface, child->bounds.left, child->bounds.top, area.Intersect(child->bounds));
}

}  // namespace

void Blit(Surface& target, const Surface& source, int left, int top) {
    const Rect copied = CopyPart(target, source, left, top, target.Bounds());
    if (!copied.IsEmpty()) target.MarkChanged(copied);
}

void ComposeFrame(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Surface& frame) {
    if (frame.Width() != client.Width() || frame.Height() != client.Height()) frame = Surface(client.Width(), client.Height());
    ComposeArea(client, children, frame.Bounds(), frame);
}

void ComposeDamage(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children,
                   DamageRegion& damage, Surface& frame) {
    if (frame.Width() != client.Width() || frame.Height() != client.Height()) {
        ComposeFrame(client, children, frame);
        damage.Clear();
        damage.Add(frame.Bounds());
        return;
    }
    for (const Rect& area : damage.Rects()) ComposeArea(client, children, area, frame);
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
