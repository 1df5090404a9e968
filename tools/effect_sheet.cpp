#include "tools/effect_sheet.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/font.h"
#include "platform/painter.h"
#include "platform/text_drawing.h"
#include "scenario/effect_renderer.h"
#include "scenario/scene_context.h"
#include "scenario/surface_window.h"

namespace korv::tool {

namespace {

using platform::Pixel;
using platform::Surface;

constexpr int kGap = 4;
constexpr int kLabelWidth = 44;
constexpr Pixel kSheetBackground = 0x202020;

Pixel Mix(Pixel a, Pixel b, double t) {
    auto channel = [&](int shift) {
        const double from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
        return static_cast<Pixel>(std::lround(from + (to - from) * t)) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

// The screen before: a cool gradient under a grid of lines.
Surface OldPicture(Size size) {
    Surface s(size.width, size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const bool line = x % 24 == 0 || y % 24 == 0;
            s.Set(x, y, line ? 0x5080A0 : Mix(0x102040, 0x207070, static_cast<double>(x + y) / (size.width + size.height)));
        }
    return s;
}

// The picture coming in: a warm gradient with a pale disc.
Surface NewPicture(Size size) {
    Surface s(size.width, size.height);
    const double cx = size.width / 2.0, cy = size.height / 2.0, r = std::min(size.width, size.height) * 0.3;
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            s.Set(x, y, d < r ? 0xFFF0C0 : Mix(0xF0A020, 0xB02040, static_cast<double>(y) / size.height));
        }
    return s;
}

// Runs effect `number` over the old picture; `onDraw(draw, screen)` sees
// every draw. Returns the number of draws.
int RunOnce(int number, const Surface& old, const Surface& picture,
            const std::function<void(int, const Surface&)>& onDraw) {
    SurfaceScene scene(old);
    scene.window.onDraw = [&] { onDraw(static_cast<int>(scene.window.draws), scene.window.screen); };
    EffectRun run;
    run.effectNumber = number;
    run.picture = &picture;
    run.area = picture.Bounds();
    run.speedValue = 1000;  // effect speed 100: every step, no pauses
    RunEffect(scene, run);
    return static_cast<int>(scene.window.draws);
}

}  // namespace

Surface MakeEffectSheet(const std::vector<int>& effects, const EffectSheetLayout& layout) {
    const Size frame = layout.frame;
    const int frames = std::max(layout.frames, 1);
    const int width = kLabelWidth + frames * (frame.width + kGap) + kGap;
    const int height = static_cast<int>(effects.size()) * (frame.height + kGap) + kGap;
    Surface sheet(width, height);
    platform::Painter painter(sheet);
    painter.Fill(sheet.Bounds(), platform::PixelToColour(kSheetBackground));
    const Surface old = OldPicture(frame), picture = NewPicture(frame);
    auto font = platform::Font::Create({-18, 0, 0, 0, 700, false, false, false, 0, 0, 0, 0, 0, "DejaVu Sans"});

    for (size_t row = 0; row < effects.size(); ++row) {
        const int top = kGap + static_cast<int>(row) * (frame.height + kGap);
        if (font)
            platform::DrawText(sheet, *font, std::to_string(effects[row]),
                               Rect{0, top + (frame.height - font->Height()) / 2, kLabelWidth, top + frame.height},
                               platform::TextFormat::Centre, platform::Rgb(230, 230, 230), platform::Rgb(0, 0, 0),
                               platform::BackgroundMode::Transparent);
        const int draws = RunOnce(effects[row], old, picture, [](int, const Surface&) {});
        std::vector<int> wanted;
        for (int k = 1; k <= frames; ++k) wanted.push_back(std::max(1, draws * k / (frames + 1)));
        auto place = [&](int column, const Surface& screen) {
            painter.Copy({kLabelWidth + column * (frame.width + kGap), top}, screen, screen.Bounds());
        };
        if (draws == 0) {
            place(0, old);
            continue;
        }
        RunOnce(effects[row], old, picture, [&](int draw, const Surface& screen) {
            for (int column = 0; column < frames; ++column)
                if (wanted[static_cast<size_t>(column)] == draw) place(column, screen);
        });
    }
    return sheet;
}

}  // namespace korv::tool
