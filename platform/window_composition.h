#pragma once
// What both display backends share about a window's child surfaces: adding
// them, finding the one under the pointer, and composing the window's frame
// from its client surface and its visible children, bottom to top.

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/damage_region.h"
#include "platform/display.h"
#include "platform/surface.h"

namespace korv::platform {

struct ChildState {
    Rect bounds;  // in the parent's client coordinates
    bool visible = true;
    Surface surface;
    WindowHandler* handler = nullptr;
};

// Copies `source` into `target` with its top left corner at (left, top),
// clipped to the target, and marks what it covered.
void Blit(Surface& target, const Surface& source, int left, int top);

// Makes `frame` the client surface with the visible children drawn above it
// (reusing `frame`'s pixels when the size is unchanged).
void ComposeFrame(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Surface& frame);

// Brings `frame` up to date within `damage` only; a frame of another size
// than the client is composed whole and `damage` becomes all of it.
void ComposeDamage(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children,
                   DamageRegion& damage, Surface& frame);

// What a window shows, shared by the backends: the client surface, the
// children above it, and what changed since the frame was last composed.
// Children hold it too, so a child may outlive its window.
struct FrameState {
    std::mutex mutex;  // the drawing lock; guards everything below
    Surface surface;
    std::vector<std::shared_ptr<ChildState>> children;  // bottom to top
    DamageRegion damage;                                // not yet composed
    uint64_t changes = 1;                               // counts everything that altered the frame
    // Wakes whoever shows the frame: once per composition, at the first
    // change after it (a move of hundreds of steps a second wakes the
    // presenter at its frame rate, not at every step).
    std::function<void()> onChange;
    bool woken = false;

    // Caller holds `mutex`: `area` (client coordinates) shows something new.
    void Changed(Rect area) {
        damage.Add(area.Intersect(surface.Bounds()));
        Notify();
    }
    // Caller holds `mutex`: runs `paint` on the client surface; what it
    // marked is shown next. A paint that marks nothing changes nothing.
    void Paint(const std::function<void(Surface&)>& paint) {
        paint(surface);
        DamageRegion marked = surface.TakeDamage();
        if (marked.Empty()) return;
        damage.Add(marked);
        Notify();
    }
    // Caller holds `mutex`: composes what changed into `frame` and returns
    // the region composed (all of it when the frame had another size).
    DamageRegion ComposeInto(Surface& frame) {
        DamageRegion composed = TakeDamage();
        ComposeDamage(surface, children, composed, frame);
        return composed;
    }
    // Caller holds `mutex`: what changed, for a presenter that shows the
    // client surface as it is (no child is visible).
    DamageRegion TakeDamage() {
        DamageRegion taken = damage;
        damage.Clear();
        woken = false;
        return taken;
    }
    bool AnyChildVisible() const {
        for (const auto& child : children)
            if (child->visible) return true;
        return false;
    }

private:
    void Notify() {
        ++changes;
        if (woken || !onChange) return;
        woken = true;
        onChange();
    }
};

// The topmost visible child with a handler whose bounds hold `client` (in
// the parent's client coordinates), with `client` moved into the child's own
// coordinates; nullptr, with `client` unchanged, when there is none. Caller
// holds the parent's drawing lock.
WindowHandler* ChildHandlerAt(const std::vector<std::shared_ptr<ChildState>>& children, Point& client);

// A child window drawn into its parent's frame. `ParentState` is a
// FrameState (or derives from one).
template <class ParentState>
class CompositedChild final : public ChildWindow {
public:
    CompositedChild(std::shared_ptr<ParentState> parent, std::shared_ptr<ChildState> state)
        : parent_(std::move(parent)), state_(std::move(state)) {}

    ~CompositedChild() override {
        std::lock_guard lock(parent_->mutex);
        std::erase(parent_->children, state_);
        if (state_->visible) parent_->Changed(state_->bounds);
    }

    Rect Bounds() const override {
        std::lock_guard lock(parent_->mutex);
        return state_->bounds;
    }

    void SetVisible(bool visible) override {
        std::lock_guard lock(parent_->mutex);
        if (state_->visible == visible) return;
        state_->visible = visible;
        parent_->Changed(state_->bounds);
    }

    bool Visible() const override {
        std::lock_guard lock(parent_->mutex);
        return state_->visible;
    }

    void Draw(const std::function<void(Surface&)>& paint) override {
        std::lock_guard lock(parent_->mutex);
        paint(state_->surface);
        DamageRegion marked = state_->surface.TakeDamage();
        if (!state_->visible) return;
        for (const Rect& r : marked.Rects())
            parent_->Changed(r.Offset(state_->bounds.left, state_->bounds.top).Intersect(state_->bounds));
    }

private:
    std::shared_ptr<ParentState> parent_;
    std::shared_ptr<ChildState> state_;
};

// Puts a new child of `bounds` above the other children of `parent`.
template <class ParentState>
std::unique_ptr<ChildWindow> AddChild(const std::shared_ptr<ParentState>& parent, Rect bounds, WindowHandler* handler) {
    auto child = std::make_shared<ChildState>();
    child->bounds = bounds;
    child->surface = Surface(bounds.Width(), bounds.Height());
    child->handler = handler;
    {
        std::lock_guard lock(parent->mutex);
        parent->children.push_back(child);
        parent->Changed(bounds);
    }
    return std::make_unique<CompositedChild<ParentState>>(parent, std::move(child));
}

}  // namespace korv::platform
