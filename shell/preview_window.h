#pragma once
// The small window drawn inside the host's preview area: the preview
// picture at the left, and the saver's name scrolling upward beside it.

#include <memory>
#include <string>

#include "platform/display.h"
#include "platform/thread.h"

namespace korv {

class PreviewWindow : public platform::WindowHandler {
public:
    explicit PreviewWindow(std::string appName);
    ~PreviewWindow() override;

    // Creates the window inside `parent` and starts the scrolling; false when
    // the host window is not there.
    bool Create(platform::Display& display, uintptr_t parent);
    void Destroy();

    void OnCloseRequest() override { Destroy(); }

private:
    class ScrollThread;

    std::string appName_;
    platform::Display* display_ = nullptr;
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<ScrollThread> thread_;
    bool destroyed_ = false;
};

}  // namespace korv
