#pragma once
// A private X server (Xvfb) for tests that need real windows.

#include <string>
#include <sys/types.h>

namespace korv::test {

class XvfbServer {
public:
    // Starts Xvfb on a free display with one screen of the given size.
    explicit XvfbServer(int width = 1024, int height = 768);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return pid_ > 0 && !display_.empty(); }
    // The DISPLAY value, such as ":3".
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace korv::test
