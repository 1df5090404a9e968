#pragma once
// The full-screen window of a running saver: it hides the cursor, ends the
// saver on the user's input by the exit rules, asks for the screen-saver
// password where the system wants that, keeps the background colour the
// scenario sets, carries the "Exit" button of player type 3, owns the update
// timer and, when destroyed, stops the threads and ends the program.
//
// Inside the window of an X screen-saver host the host owns the screen, the
// input and the locking: the window plays the same way but leaves the
// cursor alone, never ends on input, asks no password and shows no "Exit"
// button; it ends when the host ends the program or destroys its window.

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/display.h"
#include "saver/saver_config.h"
#include "saver/saver_settings.h"
#include "scenario/scene_context.h"
#include "shell/saver_window_host.h"

namespace korv {

inline constexpr uint32_t kUpdateTimerId = 21000;
inline constexpr uint32_t kUpdateTimerPeriodMs = 5000;

// Which key takes the scenario's link.
enum LinkKey : int32_t { LinkNone = -1, LinkEnter = 0, LinkF12 = 1, LinkSpace = 2, LinkAnyOfThree = 3 };

class SSWnd : public platform::WindowHandler, public SceneWindow {
public:
    // `settings` hold the exit rules and the mute switch, read as they stand
    // when each is needed.
    SSWnd(SaverWindowHost& host, SaverSettings& settings, SaverConfig config, bool downloadAtStart);
    ~SSWnd() override;

    // Creates the window over `bounds` and runs the creation steps.
    bool Create(platform::Display& display, Rect bounds);
    // Creates the window inside the host's window `host`, at its size.
    bool CreateInHostWindow(platform::Display& display, uintptr_t host);
    // Runs the destruction steps once: stops the threads and ends the loop.
    void Destroy();
    void CloseForNewerFormat();

    bool Mute() const { return mute_; }
    // Set by the download thread after a move to another site.
    bool DownloadAtStart() const { return downloadAtStart_; }
    void SetDownloadAtStart(bool value) { downloadAtStart_ = value; }
    // Starts the update timer's period again.
    void RestartUpdateTimer();
    Point MouseOrigin() const { return mouseOrigin_; }
    platform::Window* NativeWindow() { return window_.get(); }

    // SceneWindow (any thread).
    void Draw(const std::function<void(platform::Surface&)>& paint) override;
    Size ClientSize() const override;
    bool FrameWaiting() const override { return window_ && window_->FrameWaiting(); }
    void SetBackground(platform::Colour colour, uint32_t rasterOp) override;
    platform::Colour GetBackground() const override { return platform::PixelToColour(background_.load()); }
    uint32_t GetRasterOp() const override { return rasterOp_.load(); }
    void SetLink(const std::string& url, int32_t key) override;
    void ClearLink() override;
    void ShowExitButtonBar() override;
    // MediaHost (any thread): video surfaces above the picture, and the
    // media players' notifications carried out on the main thread.
    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect bounds, platform::WindowHandler* input = nullptr) override;
    void PostToWindowThread(std::function<void()> task) override;

    // WindowHandler (main thread).
    void OnMouseMove(Point client) override;
    void OnButtonDown(platform::MouseButton button, Point client) override;
    void OnDoubleClick(platform::MouseButton button, Point client) override;
    void OnKeyDown(int vk) override;
    void OnSystemKeyDown(int vk) override;
    void OnCloseRequest() override;
    // The host ends the saver: no password is asked.
    void OnTerminate() override { Destroy(); }
    void OnTimer(uint32_t id) override;
    // The host's window changed size: the new area takes the background.
    void OnResized(Size previous) override;
    void OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

private:
    class ExitButtonBar;
    enum ExitEvent { MouseMoveEvent, ButtonDownEvent, DoubleClickEvent, KeyDownEvent };

    // Posts a close request when the rules let `event` end the saver.
    bool ApplyExitRule(ExitEvent event);
    // The creation steps after the window exists; `width` is its width.
    bool Prepare(platform::Display& display, int width);
    void PostClose();
    bool PasswordVerified();
    void PaintExitButton(platform::Surface& surface);

    SaverWindowHost& host_;
    SaverSettings& settings_;
    const SaverConfig config_;
    platform::Display* display_ = nullptr;
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<ExitButtonBar> exitButtonBar_;
    bool mute_ = false;
    std::atomic<bool> downloadAtStart_;
    std::atomic<bool> newerFormat_{false};
    bool destroyed_ = false;
    bool hosted_ = false;  // inside a screen-saver host's window
    Point mouseOrigin_{-1, -1};
    std::atomic<platform::Pixel> background_{0};  // held as its pixel to be atomic
    std::atomic<uint32_t> rasterOp_{kRasterCopy};
    std::mutex mediaTaskMutex_;
    std::deque<std::function<void()>> mediaTasks_;
    mutable std::mutex linkMutex_;
    std::string linkUrl_;
    int32_t linkKey_ = LinkNone;
};

}  // namespace korv
