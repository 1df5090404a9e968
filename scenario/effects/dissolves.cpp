// Random dissolves (5, 6, 13, 14): every cell of the area is listed, then
// cells are picked at random, drawn and struck from the list until none is
// left. 5 uses cells of 4 × 4 pixels and does not pause: it polls the stop
// event after every cell instead. 6 uses 8 × 8 cells, 13 one-pixel rows and
// 14 one-pixel columns, with a pause after every cell. Cells are cut at the
// area's right and bottom edges.

#include <algorithm>
#include <vector>

#include "scenario/effects/families.h"
#include "scenario/random_range.h"
#include "scenario/scene_context.h"

namespace korv::effects {

namespace {

// A seed that differs on every run: the tick count in the high bits, the
// milliseconds of the wall time in the low ones, mixed with the saver's
// own figure.
uint32_t DissolveSeed(SceneContext& context) {
    platform::Clock& clock = context.Clock();
    uint32_t tick = clock.TickCount();
    uint32_t wallMilliseconds = static_cast<uint32_t>(clock.Now()) * 1000u + tick % 1000u;
    uint32_t seed = ((tick << 16) | (wallMilliseconds & 0xFFFF)) ^ static_cast<uint32_t>(context.TimesFigure());
    return seed == 0 ? 1 : seed;  // 0 would ask RandomRange for the time in seconds
}

// An index below `count` from two 15-bit draws, so that lists longer than
// 32768 cells are picked evenly too.
size_t Pick(RandomRange& random, size_t count) {
    uint32_t value = (static_cast<uint32_t>(random.Next()) << 15) | static_cast<uint32_t>(random.Next());
    return value % count;
}

}  // namespace

void RunDissolve(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const Size cellSizes[] = {{4, 4}, {8, 8}, {width, 1}, {1, height}};  // 5, 6, 13, 14
    const Size cell = cellSizes[variant];
    const bool pauses = variant != 0;

    std::vector<Point> cells;
    cells.reserve(static_cast<size_t>((width + cell.width - 1) / cell.width) *
                  static_cast<size_t>((height + cell.height - 1) / cell.height));
    for (int y = 0; y < height; y += cell.height)
        for (int x = 0; x < width; x += cell.width) cells.push_back({x, y});
    auto cellAt = [&](Point p) { return Rect::FromSize(p.x, p.y, cell.width, cell.height); };

    RandomRange random(DissolveSeed(frame.Context()));
    while (!cells.empty()) {
        size_t index = Pick(random, cells.size());
        Point chosen = cells[index];
        cells[index] = cells.back();
        cells.pop_back();
        if (pauses) {
            frame.Step([&](StepPainter& painter) { painter.Picture(cellAt(chosen)); });
        } else {
            frame.Draw([&](StepPainter& painter) { painter.Picture(cellAt(chosen)); });
            if (frame.Context().Stopped() && !cells.empty()) {
                // Stopped: the cells still missing come in one draw.
                frame.Draw([&](StepPainter& painter) {
                    for (Point p : cells) painter.Picture(cellAt(p));
                });
                return;
            }
        }
    }
}

}  // namespace korv::effects
