#pragma once
// The machine's display (SDL) opened on a private X server.
//
// SDL reads $DISPLAY when its video subsystem starts, and one process should
// start it only once; so a test suite shares one of these, made in
// SetUpTestSuite (ctest runs each test in a process of its own, where the
// suite is set up for that test alone). Hold it statically, so that the
// server also ends when an X error ends the process.

#include <memory>
#include <optional>

#include "platform/display.h"
#include "tests/support/test_environment.h"
#include "tests/support/xvfb_server.h"

namespace korv::test {

class XvfbDisplay {
public:
    // Starts Xvfb with one screen of the given size, points $DISPLAY at it
    // (until the end) and opens the display there.
    XvfbDisplay(int width, int height);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    const XvfbServer& Server() const { return server_; }
    // Nothing when Xvfb did not start or SDL could not open its display.
    platform::Display* Display() const { return display_.get(); }

private:
    XvfbServer server_;
    std::optional<ScopedEnv> displayName_;
    std::unique_ptr<platform::Display> display_;
};

}  // namespace korv::test
