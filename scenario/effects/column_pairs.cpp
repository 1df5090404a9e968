// Column pairs (82, 83, 86): full-height columns 8 pixels wide appear in
// pairs, one from each side, one pair per step. 82 closes from the side
// edges to the middle; 83 opens from the vertical centre line to the side
// edges; 86 draws four columns per step, closing in both halves of the area
// at once (from the side edges and from the centre line towards the
// quarter lines). Columns are counted from the edge they start at, so the
// cut ones lie in the middle.

#include <algorithm>

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

constexpr int kColumn = 8;

// Columns closing in [left, right): the n-th from each end.
void ClosingPair(StepPainter& painter, int left, int right, int n, int height) {
    const int offset = n * kColumn;
    painter.Picture({left + offset, 0, std::min(left + offset + kColumn, right), height});
    painter.Picture({std::max(right - offset - kColumn, left), 0, right - offset, height});
}

}  // namespace

void RunColumnPairs(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    const int centre = width / 2;
    // Pairs needed to close a span of `length`.
    auto pairsFor = [](int length) { return (length + 2 * kColumn - 1) / (2 * kColumn); };
    if (variant == 0) {  // 82
        for (int n = 0; n < pairsFor(width); ++n)
            frame.Step([&](StepPainter& painter) { ClosingPair(painter, 0, width, n, height); });
    } else if (variant == 1) {  // 83
        const int steps = (std::max(centre, width - centre) + kColumn - 1) / kColumn;
        for (int n = 0; n < steps; ++n)
            frame.Step([&](StepPainter& painter) {
                const int offset = n * kColumn;
                painter.Picture({std::max(centre - offset - kColumn, 0), 0, centre - offset, height});
                painter.Picture({centre + offset, 0, std::min(centre + offset + kColumn, width), height});
            });
    } else {  // 86
        for (int n = 0; n < pairsFor(width - centre); ++n)
            frame.Step([&](StepPainter& painter) {
                ClosingPair(painter, 0, centre, n, height);
                ClosingPair(painter, centre, width, n, height);
            });
    }
}

}  // namespace korv::effects
