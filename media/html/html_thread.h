#pragma once
// The thread of an HTML view: it makes the view at start-up, loads the
// page and then runs its message loop until it is killed. A kill never
// waits: it hides the view, and the view's own thread closes it and ends.

#include <mutex>
#include <string>

#include "media/html/html_wnd.h"
#include "media/media_host.h"
#include "platform/surface.h"
#include "platform/thread.h"

namespace korv {

class CHtmlThread : public platform::Thread {
public:
    // A view of `url` at `bounds` (client coordinates of `parent`), taking
    // clicks when `input`. `ownedFile`, when given, is the page's temporary
    // file, deleted when the view closes.
    CHtmlThread(MediaHost* parent, std::string url, Rect bounds, bool input, std::string ownedFile = {});
    // Kills the view and waits for its thread to end.
    ~CHtmlThread() override;

    // Any thread: hides the view and has its thread close it and end. A
    // second kill does nothing.
    void Kill();
    // The last picture the view showed (see CHtmlWnd::LastFrame).
    platform::Surface LastFrame() const { return wnd_.LastFrame(); }
    Rect Bounds() const { return bounds_; }
    const std::string& Url() const { return url_; }

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    void OnMessage(const platform::ThreadMessage& message) override;

private:
    static constexpr uint32_t kCloseMessage = 0x0400;

    void CloseView();

    const std::string url_;
    const Rect bounds_;
    std::string ownedFile_;  // the view's thread only
    CHtmlWnd wnd_;
    std::mutex killMutex_;
    bool killed_ = false;
};

}  // namespace korv
