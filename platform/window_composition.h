#pragma once
// What both display backends share about a window's child surfaces: adding
// them, finding the one under the pointer, and composing the window's frame
// from its client surface and its visible children, bottom to top.

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

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
// clipped to the target.
void Blit(Surface& target, const Surface& source, int left, int top);

// Makes `frame` the client surface with the visible children drawn above it
// (reusing `frame`'s pixels when the size is unchanged).
void ComposeFrame(const Surface& client, const std::vector<std::shared_ptr<ChildState>>& children, Surface& frame);

// The topmost visible child with a handler whose bounds hold `client` (in
// the parent's client coordinates), with `client` moved into the child's own
// coordinates; nullptr, with `client` unchanged, when there is none. Caller
// holds the parent's drawing lock.
WindowHandler* ChildHandlerAt(const std::vector<std::shared_ptr<ChildState>>& children, Point& client);

// A child window drawn into its parent's frame. `ParentState` is the parent
// window's state: its drawing lock `mutex`, its `children` (bottom to top)
// and `Changed()`, called under the lock whenever the frame shows something
// new.
template <class ParentState>
class CompositedChild final : public ChildWindow {
public:
    CompositedChild(std::shared_ptr<ParentState> parent, std::shared_ptr<ChildState> state)
        : parent_(std::move(parent)), state_(std::move(state)) {}

    ~CompositedChild() override {
        std::lock_guard lock(parent_->mutex);
        std::erase(parent_->children, state_);
        parent_->Changed();
    }

    Rect Bounds() const override {
        std::lock_guard lock(parent_->mutex);
        return state_->bounds;
    }

    void SetVisible(bool visible) override {
        std::lock_guard lock(parent_->mutex);
        if (state_->visible == visible) return;
        state_->visible = visible;
        parent_->Changed();
    }

    bool Visible() const override {
        std::lock_guard lock(parent_->mutex);
        return state_->visible;
    }

    void Draw(const std::function<void(Surface&)>& paint) override {
        std::lock_guard lock(parent_->mutex);
        paint(state_->surface);
        state_->surface.MarkChanged();
        if (state_->visible) parent_->Changed();
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
        parent->Changed();
    }
    return std::make_unique<CompositedChild<ParentState>>(parent, std::move(child));
}

}  // namespace korv::platform
