#include "platform/sdl/sdl_event_loop.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <vector>

#include "platform/process_end.h"
#include "platform/sdl/sdl_input_translation.h"

namespace korv::platform {

namespace {

constexpr int kLongWaitMs = 1000;

}  // namespace

SdlEventLoop::SdlEventLoop(const SdlWindowList& windows)
    : CoreEventLoop([] { return SDL_GetTicks64(); }, [this] { Wake(); }), windows_(windows), wakeEvent_(SDL_USEREVENT) {}

void SdlEventLoop::Wake() {
    if (wakePending_.exchange(true)) return;
    SDL_Event event{};
    event.type = wakeEvent_;
    if (SDL_PushEvent(&event) != 1) wakePending_ = false;
}

// Delivers the messages posted so far, one at a time, so that a handler that
// forgets another one (or itself) stops its remaining messages.
void SdlEventLoop::DeliverPosted() {
    for (size_t count = core_.QueuedCount(); count > 0; --count) {
        if (!core_.DeliverNext()) return;
    }
}

// Fires the timers that are due, earliest first, and lowers `waitMs` to
// when the next one is.
void SdlEventLoop::FireTimers(int& waitMs) {
    using Core = EventLoopCore<uint64_t>;
    for (;;) {
        uint64_t untilDue = 0;
        switch (core_.FireDueTimer(untilDue)) {
        case Core::TimerStep::Fired: continue;
        case Core::TimerStep::NotDue:
            waitMs = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(waitMs), untilDue));
            return;
        case Core::TimerStep::NoTimer: return;
        }
    }
}

void SdlEventLoop::DeliverTermination() {
    if (terminationDelivered_ || !TerminationRequested()) return;
    terminationDelivered_ = true;
    const std::vector<SdlWindow*> windows = windows_.All();
    if (windows.empty()) {
        Quit(0);
        return;
    }
    for (SdlWindow* window : windows) {
        if (windows_.Has(window) && window->Handler()) window->Handler()->OnTerminate();
    }
}

int SdlEventLoop::Run() {
    for (;;) {
        int code = 0;
        if (core_.TakeQuit(code)) return code;
        DeliverTermination();
        if (core_.TakeQuit(code)) return code;
        DeliverPosted();
        int waitMs = kLongWaitMs;
        FireTimers(waitMs);
        for (SdlWindow* window : std::vector<SdlWindow*>(windows_.All())) {
            if (windows_.Has(window) && window->TakeLoss() && window->Handler()) window->Handler()->OnCloseRequest();
        }
        const uint64_t now = SDL_GetTicks64();
        for (SdlWindow* window : windows_.All()) window->Refresh(now, waitMs);
        if (core_.WorkWaiting()) waitMs = 0;

        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, waitMs)) {
            Handle(event);
            while (!core_.QuitPending() && SDL_PollEvent(&event)) Handle(event);
        }
    }
}

void SdlEventLoop::Handle(const SDL_Event& event) {
    if (event.type == wakeEvent_) {
        wakePending_ = false;
        return;
    }
    switch (event.type) {
    case SDL_MOUSEMOTION: {
        SdlWindow* window = windows_.Find(event.motion.windowID);
        if (!window) return;
        Point point{event.motion.x, event.motion.y};
        if (window->StaleMotion(point)) return;
        if (WindowHandler* handler = window->PointerTarget(point)) handler->OnMouseMove(point);
        return;
    }
    case SDL_MOUSEBUTTONDOWN: {
        SdlWindow* window = windows_.Find(event.button.windowID);
        MouseButton button;
        if (!window || !ButtonOf(event.button.button, button)) return;
        Point point{event.button.x, event.button.y};
        WindowHandler* handler = window->PointerTarget(point);
        if (!handler) return;
        // SDL counts quick presses close together in one SDL window. As the
        // original platform reports them, the second press on the same
        // target is a double click, and the press after a double click starts
        // a new pair.
        const bool doubleClick = event.button.clicks >= 2 && !lastPressWasDouble_ && handler == lastPressTarget_ &&
                                 button == lastPressButton_;
        lastPressTarget_ = handler;
        lastPressButton_ = button;
        lastPressWasDouble_ = doubleClick;
        if (doubleClick) {
            handler->OnDoubleClick(button, point);
        } else {
            handler->OnButtonDown(button, point);
        }
        return;
    }
    case SDL_KEYDOWN: {
        SdlWindow* window = windows_.KeyboardTarget(event.key.windowID);
        if (!window || !window->Handler()) return;
        const int vk = VirtualKeyOf(event.key.keysym);
        if (event.key.keysym.mod & KMOD_ALT) {
            window->Handler()->OnSystemKeyDown(vk);
        } else {
            window->Handler()->OnKeyDown(vk);
        }
        return;
    }
    case SDL_WINDOWEVENT: {
        SdlWindow* window = windows_.Find(event.window.windowID);
        if (!window) return;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (window->Handler()) window->Handler()->OnCloseRequest();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED: window->Exposed(); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            window->Exposed();
            auto previous = window->Resized(event.window.data1, event.window.data2);
            if (previous && window->Handler()) window->Handler()->OnResized(*previous);
            break;
        }
        case SDL_WINDOWEVENT_MOVED: window->Moved(event.window.data1, event.window.data2); break;
        default: break;
        }
        return;
    }
    case SDL_QUIT: {
        // A termination request for the whole program: every window is asked
        // to close; without windows the loop ends.
        const std::vector<SdlWindow*> windows = windows_.All();
        if (windows.empty()) {
            Quit(0);
            return;
        }
        for (SdlWindow* window : windows) {
            if (windows_.Has(window) && window->Handler()) window->Handler()->OnCloseRequest();
        }
        return;
    }
    case SDL_SYSWMEVENT: {
        const SDL_SysWMmsg* message = event.syswm.msg;
        if (!message || message->subsystem != SDL_SYSWM_X11) return;
        const XEvent& x11 = message->msg.x11.event;
        if (x11.type == DestroyNotify) {
            for (SdlWindow* window : windows_.All()) window->HostWindowDestroyed(x11.xdestroywindow.window);
        } else if (x11.type == ConfigureNotify) {
            const std::vector<SdlWindow*> windows = windows_.All();
            for (SdlWindow* window : windows) {
                if (!windows_.Has(window)) continue;
                auto previous = window->HostResized(x11.xconfigure.window, x11.xconfigure.width, x11.xconfigure.height);
                if (previous && window->Handler()) window->Handler()->OnResized(*previous);
            }
        }
        return;
    }
    default: return;
    }
}

}  // namespace korv::platform
