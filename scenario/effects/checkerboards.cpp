// Checkerboards (17–20): a grid of 16-pixel cells (counts rounded up, and
// one more column and row when the column count is even, so that the cell
// index alternates like a board's squares). The even-indexed cells appear
// first, then the others, each cell growing a line at a time in the same
// order in all cells of the half, step-length lines per step.
//
// 17 columns from each cell's left edge; 18 rows from its top edge; 19 every
// second column per sweep (0, 2, …, 14, then 1, 3, …, 15), the cells of odd
// grid rows starting with the odd columns; 20 the same with rows.

#include "scenario/effects/families.h"

namespace korv::effects {

namespace {

constexpr int kCell = 16;

// The i-th line of a cell to appear.
int LineOfCell(int i, bool interlaced, int gridRow) {
    if (!interlaced) return i;
    int sweep = i / (kCell / 2);
    int offset = gridRow % 2 == 0 ? sweep : 1 - sweep;
    return 2 * (i % (kCell / 2)) + offset;
}

}  // namespace

void RunCheckerboard(EffectFrame& frame, int variant) {
    const int width = frame.Width(), height = frame.Height();
    int columns = (width + kCell - 1) / kCell, rows = (height + kCell - 1) / kCell;
    if (columns % 2 == 0) {
        ++columns;
        ++rows;
    }
    const bool byColumns = variant == 0 || variant == 2;  // 17, 19
    const bool interlaced = variant >= 2;                 // 19, 20
    for (int half = 0; half < 2; ++half) {
        Sweep(frame, kCell, [&](StepPainter& painter, int before, int done) {
            for (int row = 0; row < rows && row * kCell < height; ++row)
                for (int column = 0; column < columns && column * kCell < width; ++column) {
                    if ((row * columns + column) % 2 != half) continue;
                    const int x = column * kCell, y = row * kCell;
                    if (!interlaced) {
                        // The step's lines lie side by side: one copy.
                        painter.Picture(byColumns ? Rect{x + before, y, x + done, y + kCell}
                                                  : Rect{x, y + before, x + kCell, y + done});
                        continue;
                    }
                    for (int i = before; i < done; ++i) {
                        int line = LineOfCell(i, interlaced, row);
                        painter.Picture(byColumns ? Rect{x + line, y, x + line + 1, y + kCell}
                                                  : Rect{x, y + line, x + kCell, y + line + 1});
                    }
                }
        });
    }
}

}  // namespace korv::effects
