#include "platform/sdl/sdl_window.h"

#include <SDL_syswm.h>

#include <algorithm>

#include "platform/sdl/host_window_watch.h"

namespace korv::platform {

namespace {

constexpr uint64_t kFrameIntervalMs = 16;  // about 60 frames a second

}  // namespace

SdlWindow* SdlWindowList::Find(uint32_t sdlId) const {
    for (SdlWindow* window : windows_) {
        if (window->SdlId() == sdlId) return window;
    }
    return nullptr;
}

bool SdlWindowList::Has(const SdlWindow* window) const {
    return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

SdlWindow* SdlWindowList::KeyboardTarget(uint32_t sdlId) const {
    if (SdlWindow* window = Find(sdlId)) return window;
    return windows_.empty() ? nullptr : windows_.front();
}

SdlWindow::SdlWindow(const SdlWindowHome& home, WindowHandler* handler, const Parts& parts)
    : home_(home),
      handler_(handler),
      window_(parts.window),
      sdlId_(SDL_GetWindowID(parts.window)),
      xdisplay_(parts.xdisplay),
      xwindow_(parts.xwindow),
      xhost_(parts.xhost),
      bounds_(parts.bounds),
      state_(std::make_shared<SdlWindowState>()) {
    state_->surface = Surface(parts.bounds.Width(), parts.bounds.Height());
    state_->onChange = home.wakeLoop;
    home_.windows->Add(this);
}

SdlWindow::~SdlWindow() {
    {
        std::lock_guard lock(state_->mutex);
        state_->onChange = nullptr;
    }
    home_.windows->Remove(this);
    SDL_DestroyWindow(window_);
    if (xhost_) {
        // SDL leaves windows it did not create alone; ours goes now. Errors
        // about it (when it has already gone with its host) arrive during
        // the sync and are swallowed.
        if (!destroyed_) XDestroyWindow(xdisplay_, xwindow_);
        XSync(xdisplay_, False);
        host_window_watch::Unwatch(xwindow_);
        host_window_watch::Unwatch(xhost_);
    }
}

bool SdlWindow::Open() {
    framebuffer_ = SDL_GetWindowSurface(window_);
    if (!framebuffer_) return false;
    if (!xwindow_) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
            xdisplay_ = info.info.x11.display;
            xwindow_ = info.info.x11.window;
        }
    }
    return true;
}

Rect SdlWindow::Bounds() const {
    std::lock_guard lock(boundsMutex_);
    return bounds_;
}

void SdlWindow::Draw(const std::function<void(Surface&)>& paint) {
    std::lock_guard lock(state_->mutex);
    state_->Paint(paint);
}

bool SdlWindow::FrameWaiting() const {
    std::lock_guard lock(state_->mutex);
    return !state_->damage.Empty();
}

Surface SdlWindow::Snapshot() {
    std::lock_guard lock(state_->mutex);
    Surface frame;
    ComposeFrame(state_->surface, state_->children, frame);
    return frame;
}

void SdlWindow::SetCursorShape(CursorShape shape) {
    cursorShape_ = shape;
    ApplyCursor();
}

void SdlWindow::SetCursorVisible(bool visible) {
    cursorVisible_ = visible;
    ApplyCursor();
}

// SDL has one cursor for all its windows; a hidden cursor is the blank one,
// so shape and visibility stay independent.
void SdlWindow::ApplyCursor() {
    const bool blank = !cursorVisible_ || cursorShape_ == CursorShape::Blank;
    SDL_Cursor* cursor = blank ? home_.blankCursor : home_.arrowCursor;
    if (cursor) SDL_SetCursor(cursor);
}

void SdlWindow::MoveCursor(Point client) {
    // Pointer motion reported before the move (for example where the
    // pointer stood when the window appeared) is stale: it is dropped
    // until the move itself is reported, or for half a second at most.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    pendingWarp_ = client;
    warpDeadline_ = SDL_GetTicks64() + 500;
    SDL_WarpMouseInWindow(window_, client.x, client.y);
}

bool SdlWindow::StaleMotion(Point client) {
    if (!pendingWarp_) return false;
    if (client == *pendingWarp_ || SDL_GetTicks64() >= warpDeadline_) {
        pendingWarp_.reset();
        return false;
    }
    return true;
}

Point SdlWindow::CursorPosition() const {
    if (xdisplay_ && xwindow_) {
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        if (XQueryPointer(xdisplay_, xwindow_, &root, &child, &rootX, &rootY, &x, &y, &mask)) return {x, y};
    }
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    Rect bounds = Bounds();
    return {x - bounds.left, y - bounds.top};
}

WindowHandler* SdlWindow::PointerTarget(Point& client) {
    std::lock_guard lock(state_->mutex);
    WindowHandler* child = ChildHandlerAt(state_->children, client);
    return child ? child : handler_;
}

void SdlWindow::Refresh(uint64_t nowMs, int& waitMs) {
    if (lost_ || !framebuffer_) return;
    std::unique_lock lock(state_->mutex);
    if (state_->changes == shownChanges_ && !exposed_) return;
    if (nowMs - lastShownMs_ < kFrameIntervalMs) {
        waitMs = std::min(waitMs, static_cast<int>(kFrameIntervalMs - (nowMs - lastShownMs_)));
        return;
    }
    shownChanges_ = state_->changes;
    lastShownMs_ = nowMs;
    const bool whole = exposed_;
    exposed_ = false;
    if (!state_->AnyChildVisible()) {
        // The frame is the client surface itself: copied straight to the
        // framebuffer under the drawing lock, without a composed copy (which
        // is dropped, to be composed whole when children show again).
        DamageRegion region = state_->TakeDamage();
        frame_ = Surface();
        if (whole) region.Add(state_->surface.Bounds());
        std::vector<SDL_Rect> shown = CopyToFramebuffer(state_->surface, std::move(region));
        lock.unlock();
        Show(shown);
        return;
    }
    DamageRegion region = state_->ComposeInto(frame_);
    lock.unlock();
    if (whole) region.Add(frame_.Bounds());
    Show(CopyToFramebuffer(frame_, std::move(region)));
}

// Sends the framebuffer's `parts` to the X server (which answers before
// this returns), outside the drawing lock.
void SdlWindow::Show(const std::vector<SDL_Rect>& parts) {
    if (!parts.empty()) SDL_UpdateWindowSurfaceRects(window_, parts.data(), static_cast<int>(parts.size()));
}

std::vector<SDL_Rect> SdlWindow::CopyToFramebuffer(const Surface& frame, DamageRegion region) {
    SDL_Surface* framebuffer = SDL_GetWindowSurface(window_);
    if (!framebuffer || frame.Empty()) return {};
    if (framebuffer != framebuffer_) {
        // A new framebuffer (the window's size changed) holds nothing yet.
        framebuffer_ = framebuffer;
        region.Clear();
        region.Add(frame.Bounds());
    }
    // SDL only reads the pixels; its surface type has no const.
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Pixel*>(frame.Row(0)), frame.Width(), frame.Height(), 32,
                                           frame.Width() * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return {};
    std::vector<SDL_Rect> shown;
    for (const Rect& r : region.Rects()) {
        SDL_Rect from{r.left, r.top, r.Width(), r.Height()};
        SDL_Rect to = from;
        // A plain copy when the formats agree (X11 gives XRGB8888 on
        // 24-bit screens); SDL converts otherwise. `to` comes back clipped.
        if (SDL_BlitSurface(source, &from, framebuffer, &to) == 0 && to.w > 0 && to.h > 0) shown.push_back(to);
    }
    SDL_FreeSurface(source);
    return shown;
}

void SdlWindow::Moved(int x, int y) {
    if (Embedded()) return;  // SDL reports embedded windows relative to the host
    std::lock_guard lock(boundsMutex_);
    bounds_ = bounds_.Offset(x - bounds_.left, y - bounds_.top);
}

std::optional<Size> SdlWindow::HostResized(::Window id, int width, int height) {
    if (!Embedded() || id != xhost_ || lost_) return std::nullopt;
    std::optional<Size> previous = ResizeClient(width, height);
    if (previous) XResizeWindow(xdisplay_, xwindow_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    return previous;
}

std::optional<Size> SdlWindow::Resized(int width, int height) {
    if (Embedded()) return std::nullopt;  // an embedded window follows its host instead
    return ResizeClient(width, height);
}

std::optional<Size> SdlWindow::ResizeClient(int width, int height) {
    if (width < 1 || height < 1) return std::nullopt;
    Size previous;
    {
        std::lock_guard lock(boundsMutex_);
        if (bounds_.Width() == width && bounds_.Height() == height) return std::nullopt;
        previous = {bounds_.Width(), bounds_.Height()};
        bounds_ = Rect::FromSize(bounds_.left, bounds_.top, width, height);
    }
    {
        std::lock_guard lock(state_->mutex);
        Surface resized(width, height);
        const Surface& old = state_->surface;
        const int columns = std::min(width, old.Width());
        for (int y = 0; y < std::min(height, old.Height()); ++y) std::copy_n(old.Row(y), columns, resized.Row(y));
        state_->surface = std::move(resized);
        state_->Changed(state_->surface.Bounds());
    }
    return previous;
}

bool SdlWindow::TakeLoss() {
    if (!Embedded() || lost_) return false;
    if (destroyed_ || host_window_watch::Lost(xwindow_) || host_window_watch::Lost(xhost_)) {
        lost_ = true;
        destroyed_ = true;  // an X window that fails as missing is gone
        return true;
    }
    return false;
}

}  // namespace korv::platform
