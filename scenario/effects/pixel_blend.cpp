// Pixel blend (66): the old content under the area turns into the picture
// in 32 even steps, each drawing the whole area as a weighted mix of the
// two; the last step is the picture itself.

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

using platform::Pixel;

constexpr uint32_t kBlendSteps = 32;  // a power of two: the mix divides by shifting

// (from × (32 − weight) + to × weight) / 32 on each colour byte; red and
// blue share one multiplication, their lanes far enough apart not to carry.
Pixel Mix(Pixel from, Pixel to, uint32_t weight) {
    const uint32_t rest = kBlendSteps - weight;
    uint32_t redBlue = (((from & 0xFF00FF) * rest + (to & 0xFF00FF) * weight) >> 5) & 0xFF00FF;
    uint32_t green = (((from & 0x00FF00) * rest + (to & 0x00FF00) * weight) >> 5) & 0x00FF00;
    return redBlue | green;
}

void MixRow(Pixel* __restrict out, const Pixel* __restrict from, const Pixel* __restrict to, int count,
            uint32_t weight) {
    // Blocks of eight, which the compiler turns into vector code.
    int x = 0;
    for (; x + 8 <= count; x += 8)
        for (int i = 0; i < 8; ++i) out[x + i] = Mix(from[x + i], to[x + i], weight);
    for (; x < count; ++x) out[x] = Mix(from[x], to[x], weight);
}

}  // namespace

void RunPixelBlend(EffectFrame& frame, int) {
    frame.KeepOldContent();
    for (uint32_t weight = 1; weight <= kBlendSteps; ++weight) {
        frame.Step([&](StepPainter& painter) {
            const Rect target = painter.Target();
            const Point origin = painter.Origin();
            platform::Surface& screen = painter.Screen();
            const int width = target.Width();
            for (int y = target.top; y < target.bottom; ++y) {
                const int row = y - origin.y, column = target.left - origin.x;
                const Pixel* from = frame.Old().Row(row) + column;
                const Pixel* to = frame.Picture().Row(row) + column;
                MixRow(screen.Row(y) + target.left, from, to, width, weight);
            }
            screen.MarkChanged(target);
        });
    }
}

}  // namespace korv::effects
