#pragma once
// A scene that draws into a plain surface on a virtual clock, for tests of
// what pictures, texts, moves and effects put on the screen. Every Draw can
// be watched, so a test sees each intermediate frame.

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/surface.h"
#include "scenario/parameter_blocks.h"
#include "scenario/scene_context.h"
#include "scenario/scene_media.h"
#include "scenario/visual_object.h"

namespace korv::test {

class CanvasWindow : public SceneWindow {
public:
    explicit CanvasWindow(Size size) : screen(size.width, size.height) {}

    // Every draw is checked: a pixel it changed outside the parts it marked
    // changed would be missing from a real screen, and fails the test.
    void Draw(const std::function<void(platform::Surface&)>& paint) override;
    Size ClientSize() const override { return {screen.Width(), screen.Height()}; }
    bool FrameWaiting() const override { return frameWaiting && frameWaiting(); }
    void SetBackground(platform::Colour colour, uint32_t rasterOp) override;
    platform::Colour GetBackground() const override { return background; }
    uint32_t GetRasterOp() const override { return rasterOp; }
    void SetLink(const std::string&, int32_t) override {}
    void ClearLink() override {}

    platform::Surface screen;
    platform::Colour background;
    uint32_t rasterOp = kRasterCopy;
    int draws = 0;
    // Pixels the draws marked changed, overlaps counted once per rectangle.
    int64_t markedPixels = 0;
    // Called after every Draw with the screen as it now is.
    std::function<void(const platform::Surface&)> onDraw;
    // Whether the screen is still behind (never, unless a test says).
    std::function<bool()> frameWaiting;
};

// Pictures that need no decoder: a picture measures 64 × its byte count
// (nothing without bytes), and its bitmap is a pattern seeded by its byte
// count, so a picture made from other bytes is told apart.
class PatternPictures : public ObjectPictures {
public:
    std::optional<Size> MeasurePicture(std::span<const uint8_t> encoded) const override;
    std::optional<platform::Surface> CreateBitmap(VisualObject& object, Size size) const override;
};

class CanvasScene : public SceneContext {
public:
    explicit CanvasScene(Size size = {320, 240}) : window(size) {}

    SceneWindow& Window() override { return window; }
    const platform::Event& StopEvent() const override { return stop; }
    platform::Clock& Clock() override { return clock; }
    uint32_t SpeedCalibration() const override { return speedFigure; }
    const ObjectPictures& Pictures() const override { return pictures ? *pictures : SceneContext::Pictures(); }
    const DesktopPicturePaths& DesktopPictures() const override { return desktopPictures; }
    SceneMedia* Media() override { return &media; }

    // The image layer unless a test gives pictures of its own.
    const ObjectPictures* pictures = nullptr;
    DesktopPicturePaths desktopPictures;
    CanvasWindow window;
    platform::Event stop;
    platform::VirtualClock clock;
    uint32_t speedFigure = 1'000'000;
    SceneMedia media{&window};
};

// A picture whose every pixel differs from its neighbours and from black,
// so a misplaced or missing pixel is always seen.
platform::Surface PatternSurface(int width, int height, uint32_t seed = 1);
// Fills the whole surface with one pixel value.
void FillSurface(platform::Surface& surface, platform::Pixel pixel);
// Whether `screen` shows `picture`'s `area` at `at`, and `before` everywhere
// else.
bool ShowsPictureOver(const platform::Surface& screen, const platform::Surface& before,
                      const platform::Surface& picture, Rect area, Point at);
bool SameSurface(const platform::Surface& a, const platform::Surface& b);

// A picture object of the given natural size with a little data (its
// pattern seed is the data's size, 7).
VisualObject PictureObject(int width, int height);
// A MOVE placement from (x1, y1) to (x2, y2) with horizontal step `step`
// and vertical step 1.
PlacementBlock MovePlacement(int x1, int y1, int x2, int y2, int step);

}  // namespace korv::test
