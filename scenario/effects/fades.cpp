// Fades (4, 65). Every level L maps each colour byte v of the prepared
// picture to v × L / 256 (rounded down): row L of a 256 × 256 table, here
// computed with two multiplications per pixel on the packed channels. The
// levels are paced by the tick count, and when drawing falls behind the
// plan the missed levels are skipped, so a fade takes about 256 frame
// periods on any machine.
//
// 4 fades the picture in from black. 65 first fades the old content under
// the area out to black (levels 0–127) and then the picture in (128–255),
// on a frame period one millisecond longer. The closing black fill of 65 is
// given an empty rectangle: anything it covered would be missing from the
// picture just brought in.

#include <algorithm>
#include <cstdint>

#include "platform/vector_clones.h"
#include "scenario/effects/families.h"
#include "scenario/scene_context.h"

namespace korv::effects {

namespace {

using platform::Pixel;

constexpr int kLevels = 256;

// Every colour byte v of a row made v × factor / 256 (factor up to 256).
// Byte by byte in 16-bit products, which the compiler turns into vector
// code with the baseline instruction set (16-bit lane multiplies); pixels
// keep their top byte 0, since 0 × factor is 0.
KORV_VECTOR_CLONES
void ScaleRow(Pixel* __restrict out, const Pixel* __restrict in, int count, uint32_t factor) {
    auto* __restrict to = reinterpret_cast<uint8_t*>(out);
    const auto* __restrict from = reinterpret_cast<const uint8_t*>(in);
    const size_t bytes = static_cast<size_t>(count) * sizeof(Pixel);
    const auto f = static_cast<uint16_t>(factor);
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32)
        for (size_t k = 0; k < 32; ++k) to[i + k] = static_cast<uint8_t>((from[i + k] * f) >> 8);
    for (; i < bytes; ++i) to[i] = static_cast<uint8_t>((from[i] * f) >> 8);
}

// Draws `source` (area sized) with every colour byte v made v × level / 256.
void DrawLevel(StepPainter& painter, const platform::Surface& source, int level) {
    const uint32_t factor = static_cast<uint32_t>(level);
    Rect target = painter.Target();
    Point origin = painter.Origin();
    platform::Surface& screen = painter.Screen();
    const int width = target.Width();
    for (int y = target.top; y < target.bottom; ++y) {
        ScaleRow(screen.Row(y) + target.left, source.Row(y - origin.y) + (target.left - origin.x), width, factor);
    }
    screen.MarkChanged(target);
}

// Milliseconds per level: `base` − s/100, kept between 1 and 100 (an effect
// speed of 0 or below would give 0 or less; one far above 1100 would make
// the fade last minutes).
uint32_t FramePeriod(int base, int speedValue) {
    return static_cast<uint32_t>(std::clamp(base - speedValue / 100, 1, 100));
}

}  // namespace

void RunFade(EffectFrame& frame, int variant) {
    const bool throughBlack = variant == 1;  // 65
    if (throughBlack) frame.KeepOldContent();
    const uint32_t period = FramePeriod(throughBlack ? 12 : 11, frame.SpeedValue());
    SceneContext& context = frame.Context();
    platform::Clock& clock = context.Clock();

    const uint32_t start = clock.TickCount();
    int level = 0;
    while (level < kLevels) {
        // A level the screen would not show is left out (the levels are
        // paced by the clock either way).
        frame.DrawWhole([&](StepPainter& painter) {
            if (!throughBlack)
                DrawLevel(painter, frame.Picture(), level);
            else if (level < kLevels / 2)
                DrawLevel(painter, frame.Old(), kLevels - 1 - 2 * level);
            else
                DrawLevel(painter, frame.Picture(), 2 * (level - kLevels / 2));
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
