#include "tests/support/xvfb_display.h"

namespace korv::test {

XvfbDisplay::XvfbDisplay(int width, int height) : server_(width, height) {
    if (!server_.Running()) return;
    displayName_.emplace("DISPLAY", server_.Display());
    display_ = platform::OpenSystemDisplay();
}

// The display closes first, then $DISPLAY is restored and the server ends.
XvfbDisplay::~XvfbDisplay() = default;

}  // namespace korv::test
