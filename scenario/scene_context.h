#pragma once
// What a command needs while it plays: the window it draws into, the stop
// signal that every wait and loop polls, the clock, the machine's speed
// figure, and what makes pictures and texts into bitmaps. The scene thread
// provides it.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/surface.h"
#include "scenario/desktop_picture_paths.h"
#include "media/media_host.h"
#include "scenario/image_layer_pictures.h"

namespace korv {

// Raster operations a CLS hands to the window (the original platform's codes).
inline constexpr uint32_t kRasterCopy = 0x00CC0020;   // SRCCOPY
inline constexpr uint32_t kRasterPaint = 0x00EE0086;  // SRCPAINT
inline constexpr uint32_t kRasterAnd = 0x008800C6;    // SRCAND

class SceneMedia;
class SceneHtml;

// The screen-saver window as the scene thread sees it. As the media players'
// host it has no child surfaces unless it says otherwise, and runs their
// notifications on a task thread of its own.
class SceneWindow : public MediaHost {
public:
    // Draws into the window's client surface (under its drawing lock).
    virtual void Draw(const std::function<void(platform::Surface&)>& paint) = 0;
    virtual Size ClientSize() const = 0;
    // Whether drawing already made still waits for the screen's next frame
    // (platform::Window::FrameWaiting).
    virtual bool FrameWaiting() const { return false; }
    // Stores the background colour and raster operation and repaints the
    // whole window with the colour at once.
    virtual void SetBackground(platform::Colour colour, uint32_t rasterOp) = 0;
    virtual platform::Colour GetBackground() const = 0;
    virtual uint32_t GetRasterOp() const = 0;
    virtual void SetLink(const std::string& url, int32_t key) = 0;
    virtual void ClearLink() = 0;
    // Shows the "Exit" button bar of player type 3.
    virtual void ShowExitButtonBar() {}

    std::unique_ptr<platform::ChildWindow> CreateMediaChild(Rect, platform::WindowHandler* = nullptr) override {
        return nullptr;
    }
    void PostToWindowThread(std::function<void()> task) override;
};

class SceneContext {
public:
    virtual ~SceneContext() = default;
    virtual SceneWindow& Window() = 0;
    virtual const platform::Event& StopEvent() const = 0;
    virtual platform::Clock& Clock() = 0;
    virtual uint32_t SpeedCalibration() const = 0;
    // The saver's own figure mixed into random seeds (its `Times` setting).
    virtual int32_t TimesFigure() const { return 0; }
    // What measures pictures and makes bitmaps of pictures and texts.
    virtual const ObjectPictures& Pictures() const {
        static const ImageLayerPictures imageLayer;
        return imageLayer;
    }
    // The files that desktop and wallpaper pictures show; none by default.
    virtual const DesktopPicturePaths& DesktopPictures() const {
        static const DesktopPicturePaths none;
        return none;
    }

    // Player type 3: the window carries the "Exit" button bar.
    virtual bool HasExitButtonBar() const { return false; }
    // The players of sound and video; none where media are not played.
    virtual SceneMedia* Media() { return nullptr; }
    // The HTML view and the background it covers; none where pages are not shown.
    virtual SceneHtml* Html() { return nullptr; }

    bool Stopped() const { return StopEvent().IsSet(); }
    // Waits `ms` in slices of at most 100 ms that end early when the stop
    // event is set; false when it was.
    bool Sleep(uint32_t ms) {
        for (uint32_t slices = ms / 100; slices > 0; --slices)
            if (Clock().WaitFor(StopEvent(), 100)) return false;
        if (Stopped()) return false;
        return ms % 100 == 0 || !Clock().WaitFor(StopEvent(), ms % 100);
    }
};

}  // namespace korv
