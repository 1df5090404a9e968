// Pixel blend (66): the old content under the area turns into the picture
// in 32 even steps, each drawing the whole area as a weighted mix of the
// two; the last step is the picture itself.

#include "platform/vector_clones.h"
#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

using platform::Pixel;

constexpr uint32_t kBlendSteps = 32;  // a power of two: the mix divides by shifting

// (from × (32 − weight) + to × weight) / 32 on each colour byte of a row,
// byte by byte in 16-bit sums (at most 255 × 32), which the compiler turns
// into vector code with the baseline instruction set; the top bytes stay 0.
KORV_VECTOR_CLONES
void MixRow(Pixel* __restrict out, const Pixel* __restrict from, const Pixel* __restrict to, int count,
            uint32_t weight) {
    auto* __restrict mixed = reinterpret_cast<uint8_t*>(out);
    const auto* __restrict a = reinterpret_cast<const uint8_t*>(from);
    const auto* __restrict b = reinterpret_cast<const uint8_t*>(to);
    const size_t bytes = static_cast<size_t>(count) * sizeof(Pixel);
    const auto w = static_cast<uint16_t>(weight), rest = static_cast<uint16_t>(kBlendSteps - weight);
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32)
        for (size_t k = 0; k < 32; ++k) mixed[i + k] = static_cast<uint8_t>((a[i + k] * rest + b[i + k] * w) >> 5);
    for (; i < bytes; ++i) mixed[i] = static_cast<uint8_t>((a[i] * rest + b[i] * w) >> 5);
}

}  // namespace

void RunPixelBlend(EffectFrame& frame, int) {
    frame.KeepOldContent();
    for (uint32_t weight = 1; weight <= kBlendSteps; ++weight) {
        const auto mix = [&](StepPainter& painter) {
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
        };
        // A mix the screen would not show is left out; the last one, the
        // picture itself, never is.
        if (weight < kBlendSteps)
            frame.DrawWhole(mix);
        else
            frame.Draw(mix);
        frame.Pause();
    }
}

}  // namespace korv::effects
