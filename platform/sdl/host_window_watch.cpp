#include "platform/sdl/host_window_watch.h"

#include <X11/Xlib.h>

#include <mutex>
#include <set>

namespace korv::platform::host_window_watch {

namespace {

std::mutex gMutex;
std::set<unsigned long> gWatched;  // guarded by gMutex
std::set<unsigned long> gLost;     // guarded by gMutex
XErrorHandler gPrevious = nullptr;
int gInstalls = 0;  // guarded by gMutex

// Called by Xlib, possibly deep inside an SDL call; it must not call Xlib.
int Handler(::Display* display, XErrorEvent* error) {
    {
        std::lock_guard lock(gMutex);
        if (gWatched.count(error->resourceid)) {
            if (error->error_code == BadWindow || error->error_code == BadDrawable) gLost.insert(error->resourceid);
            return 0;
        }
    }
    return gPrevious ? gPrevious(display, error) : 0;
}

}  // namespace

void Install() {
    std::lock_guard lock(gMutex);
    if (gInstalls++ == 0) gPrevious = XSetErrorHandler(Handler);
}

void Uninstall() {
    std::lock_guard lock(gMutex);
    if (--gInstalls == 0) {
        XSetErrorHandler(gPrevious);
        gPrevious = nullptr;
    }
}

void Watch(unsigned long id) {
    std::lock_guard lock(gMutex);
    gWatched.insert(id);
    gLost.erase(id);
}

void Unwatch(unsigned long id) {
    std::lock_guard lock(gMutex);
    gWatched.erase(id);
    gLost.erase(id);
}

bool Lost(unsigned long id) {
    std::lock_guard lock(gMutex);
    return gLost.count(id) != 0;
}

}  // namespace korv::platform::host_window_watch
