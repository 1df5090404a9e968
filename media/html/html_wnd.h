#pragma once
// The HTML view: a page of the browser engine whose pictures are drawn into
// a child surface of the screen-saver window. The child stays hidden until
// the first picture arrives. In the player mode with the exit bar the view
// takes clicks; otherwise it takes no input. Every step is written to the
// file log.

#include <memory>
#include <string>

#include "media/media_host.h"
#include "platform/surface.h"

namespace korv {

class CHtmlWnd {
public:
    // Milliseconds between the view's pictures.
    static constexpr uint32_t kFrameIntervalMs = 100;

    // `host` may be null: the view then has nothing to show.
    CHtmlWnd(MediaHost* host, bool input);
    ~CHtmlWnd();
    CHtmlWnd(const CHtmlWnd&) = delete;
    CHtmlWnd& operator=(const CHtmlWnd&) = delete;

    // Stores `url` and makes the hidden child at `bounds` and the engine's
    // view; false when either could not be made (the view then shows
    // nothing). An engine that cannot start is logged once per engine.
    bool Create(Rect bounds, const std::string& url);
    // Loads the stored address.
    void Navigate();
    bool HasWindow() const;
    // Hides the child for good: later pictures no longer show.
    void Hide();
    // Destroys the engine's view and the child.
    void Close();
    // The last picture the view showed; empty before the first.
    platform::Surface LastFrame() const;
    const std::string& Url() const { return url_; }

private:
    class Page;

    MediaHost* host_;
    bool input_;
    std::string url_;
    std::shared_ptr<Page> page_;
};

}  // namespace korv
