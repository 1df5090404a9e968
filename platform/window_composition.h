#pragma once
// What both display backends share: the child surfaces of a window and how
// a window's frame is composed from its client surface and its visible
// children, bottom to top.

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

}  // namespace korv::platform
