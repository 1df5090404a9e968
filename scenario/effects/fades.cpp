// Fades (4, 65). Every level maps the bytes of the prepared picture through
// one row of a 256 × 256 table; the levels are paced by the tick count, and
// when drawing falls behind the plan the missed levels are skipped, so a
// fade takes about 256 frame periods on any machine.
//
// 4 fades the picture in from black. 65 first fades the old content under
// the area out to black (levels 0–127) and then the picture in (128–255),
// on a frame period one millisecond longer. The closing black fill of 65 is
// given an empty rectangle: anything it covered would be missing from the
// picture just brought in.

#include <algorithm>
#include <array>
#include <cstdint>

#include "scenario/effects/families.h"
#include "scenario/scene_context.h"

namespace korv::effects {

namespace {

using platform::Pixel;

constexpr int kLevels = 256;

// [level][value] = value × level / 256.
using LevelTable = std::array<std::array<uint8_t, 256>, kLevels>;

// Filled at first use rather than computed by the compiler, so that its
// 64 KiB take no room in the program file.
const LevelTable& Levels() {
    static LevelTable table;
    static const bool filled = [] {
        for (int level = 0; level < kLevels; ++level)
            for (int value = 0; value < 256; ++value) table[level][value] = static_cast<uint8_t>(value * level / 256);
        return true;
    }();
    (void)filled;
    return table;
}

// Draws `source` (area sized) with every colour byte mapped through `row`.
void DrawLevel(StepPainter& painter, const platform::Surface& source, const std::array<uint8_t, 256>& row) {
    Rect target = painter.Target();
    Point origin = painter.Origin();
    platform::Surface& screen = painter.Screen();
    const int width = target.Width();
    for (int y = target.top; y < target.bottom; ++y) {
        const Pixel* in = source.Row(y - origin.y) + (target.left - origin.x);
        Pixel* out = screen.Row(y) + target.left;
        for (int x = 0; x < width; ++x) {
            Pixel p = in[x];
            out[x] = (Pixel{row[(p >> 16) & 0xFF]} << 16) | (Pixel{row[(p >> 8) & 0xFF]} << 8) | row[p & 0xFF];
        }
    }
    screen.MarkChanged();
}

// Milliseconds per level: `base` − s/100, kept between 1 and 100 (an effect
// speed of 0 or below would give 0 or less; one far above 1100 would make
// the fade last minutes).
uint32_t FramePeriod(int base, int speedValue) {
    return static_cast<uint32_t>(std::clamp(base - speedValue / 100, 1, 100));
}

}  // namespace

void RunFade(EffectFrame& frame, int number) {
    const bool throughBlack = number == 65;
    if (throughBlack) frame.KeepOldContent();
    const LevelTable& levels = Levels();
    const uint32_t period = FramePeriod(throughBlack ? 12 : 11, frame.SpeedValue());
    SceneContext& context = frame.Context();
    platform::Clock& clock = context.Clock();

    const uint32_t start = clock.TickCount();
    int level = 0;
    while (level < kLevels) {
        frame.Draw([&](StepPainter& painter) {
            if (!throughBlack)
                DrawLevel(painter, frame.Picture(), levels[level]);
            else if (level < kLevels / 2)
                DrawLevel(painter, frame.Old(), levels[kLevels - 1 - 2 * level]);
            else
                DrawLevel(painter, frame.Picture(), levels[2 * (level - kLevels / 2)]);
        });
        // A stop request ends the fade at once with the picture (checked
        // here too, as a machine that is always behind never waits).
        if (context.Stopped()) break;
        const uint32_t next = static_cast<uint32_t>(level) + 1;
        const uint32_t elapsed = clock.TickCount() - start;  // wraps like the tick count
        if (elapsed >= next * period) {
            level = static_cast<int>(std::min<uint32_t>(std::max(next, elapsed / period), kLevels));
        } else {
            if (clock.WaitFor(context.StopEvent(), next * period - elapsed)) break;
            level = static_cast<int>(next);
        }
    }
    frame.Draw([&](StepPainter& painter) { painter.Picture({0, 0, frame.Width(), frame.Height()}); });
}

}  // namespace korv::effects
